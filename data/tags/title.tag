<title>Az oldal címe</title>
