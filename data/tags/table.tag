<table>
  <thead>
    <tr>
      <th>Fejléc 1</th>
      <th>Fejléc 2</th>
    </tr>
  </thead>
  <tbody>
    <tr>
      <td>Cella 1</td>
      <td>Cella 2</td>
    </tr>
    <tr>
      <td>Cella 3</td>
      <td>Cella 4</td>
    </tr>
  </tbody>
</table>
