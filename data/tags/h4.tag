<h4>4. szintû címsor</h4>
