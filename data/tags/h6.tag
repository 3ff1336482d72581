<h6>6. szintû címsor</h6>
