<frame src="oldal.html" name="keret" title="A keret tartalma">
