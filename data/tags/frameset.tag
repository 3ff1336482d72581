<frameset cols="25%,75%">
  <frame src="menu.html" name="menu" title="Menü">
  <frame src="tartalom.html" name="tartalom" title="Tartalom">
  <noframes>
    <body>
      <p>Ez az oldal kereteket használ. <a href="tartalom.html">A tartalom keretek nélkül</a></p>
    </body>
  </noframes>
</frameset>
