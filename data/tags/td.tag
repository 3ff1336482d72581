<td>Cella</td>
