<tr>
  <td>Cella 1</td>
  <td>Cella 2</td>
</tr>
