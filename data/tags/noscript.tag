<noscript>
  <p>Az oldal egyes részei csak bekapcsolt JavaScripttel mûködnek.</p>
</noscript>
