<head>
<meta charset="windows-1250">
<title>Az oldal címe</title>
</head>
