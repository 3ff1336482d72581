<noframes>
  <body>
    <p>A böngészõd nem jeleníti meg a kereteket. <a href="tartalom.html">A tartalom keretek nélkül</a></p>
  </body>
</noframes>
