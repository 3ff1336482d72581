<h2>2. szintû címsor</h2>
