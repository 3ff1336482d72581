<script type="text/vbscript">
' VBScriptet csak a régi Internet Explorer futtat; a mai böngészõk kihagyják ezt a blokkot.

</script>
