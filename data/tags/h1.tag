<h1>1. szintû címsor</h1>
