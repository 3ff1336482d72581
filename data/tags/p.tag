<p>Ide írd a bekezdés szövegét.</p>
