<h5>5. szintû címsor</h5>
