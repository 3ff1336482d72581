<body>

</body>
