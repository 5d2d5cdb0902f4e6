// A plain accessible table for the panels: a caption, column headings, and rows whose first cell heads
// the row. Cells are text or elements.

export function makeTable({ caption, columns, rows, className }) {
  const table = document.createElement('table');
  if (className) table.className = className;
  table.createCaption().textContent = caption;
  const head = table.createTHead().insertRow();
  for (const column of columns) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = column;
    head.append(th);
  }
  const body = table.createTBody();
  for (const cells of rows) body.append(makeRow(cells));
  return table;
}

export function makeRow(cells) {
  const row = document.createElement('tr');
  cells.forEach((content, index) => {
    const cell = document.createElement(index === 0 ? 'th' : 'td');
    if (index === 0) cell.scope = 'row';
    cell.append(content);
    row.append(cell);
  });
  return row;
}

// A diff of settings (setting, one value, the other) as a table, or a sentence when nothing differs.
export function diffTable(caption, columns, diff, sameText) {
  if (diff.length === 0) {
    const same = document.createElement('p');
    same.className = 'empty';
    same.textContent = sameText;
    return same;
  }
  return makeTable({ caption, columns, rows: diff, className: 'diff' });
}
