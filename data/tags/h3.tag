<h3>3. szintû címsor</h3>
