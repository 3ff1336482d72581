<?php
echo "<p>Helló, világ! Ezt a sort a PHP írta ki.</p>\n";
?>
