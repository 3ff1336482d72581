<!DOCTYPE html>
<html lang="hu">
<head>
<meta charset="windows-1250">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Új oldal</title>
</head>
<body>

</body>
</html>
