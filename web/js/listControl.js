// A list control drawn as an accessible table: its column headings, a row per entry with the entry's
// level icon in the first cell, the chosen row marked. A click or the arrow keys choose a row the way the
// desktop does ({"control", "select": index}). Rows and cells are kept from one tree to the next and only
// changed texts are written, so a long list keeps its scroll position while the sonar updates it.

// The host's row images are levels: 0 none, 1 OK, 2 warning, 3 error.
const kLevels = [null, { name: 'OK', css: 'ok' }, { name: 'Warning', css: 'warning' },
  { name: 'Error', css: 'error' }];

let nextListNumber = 0;

const setText = (el, text) => {
  if (el.textContent !== text) el.textContent = text;
};

export function createList(send) {
  const box = document.createElement('div');
  box.className = 'win win-list';
  const table = document.createElement('table');
  table.setAttribute('role', 'grid');
  table.setAttribute('aria-readonly', 'true');
  table.tabIndex = 0;
  table.createTHead().insertRow();
  table.createTBody();
  table.dataset.list = String(++nextListNumber);
  box.append(table);

  const node = () => box.windowNode;
  const choose = (index) => send([{ control: node().id, select: index }]);
  table.tBodies[0].addEventListener('click', (event) => {
    const row = event.target.closest('tr');
    if (row && node().enabled) choose(row.sectionRowIndex);
  });
  table.addEventListener('keydown', (event) => {
    const count = node().rows?.length ?? 0;
    const selection = node().selection;
    const target = {
      ArrowDown: Math.min(count - 1, selection + 1),
      ArrowUp: Math.max(0, selection - 1),
      Home: 0,
      End: count - 1,
    }[event.key];
    if (target === undefined || count === 0 || !node().enabled) return;
    event.preventDefault();
    if (target !== selection) choose(target);
  });
  return box;
}

// The first cell holds, when the list has images, the entry's level icon and its text in spans of their own.
function updateFirstCell(cell, entry, withImages) {
  const text = entry.cells[0] ?? '';
  if (cell.classList.contains('with-level') !== withImages) {
    cell.classList.toggle('with-level', withImages);
    cell.replaceChildren(...(withImages ? [document.createElement('span'), document.createElement('span')] : []));
  }
  if (!withImages) {
    setText(cell, text);
    return;
  }
  const [icon, label] = cell.children;
  const level = kLevels[entry.image];
  icon.className = level ? `level ${level.css}` : 'level';
  if (level) {
    icon.setAttribute('role', 'img');
    icon.setAttribute('aria-label', level.name);
    icon.title = level.name;
  } else {
    icon.removeAttribute('role');
    icon.removeAttribute('aria-label');
    icon.removeAttribute('title');
  }
  setText(label, text);
}

function updateRow(tr, entry, columnCount, withImages) {
  while (tr.cells.length > columnCount) tr.deleteCell(-1);
  while (tr.cells.length < columnCount) tr.insertCell();
  updateFirstCell(tr.cells[0], entry, withImages);
  for (let column = 1; column < columnCount; ++column) setText(tr.cells[column], entry.cells[column] ?? '');
}

// Keeps the chosen row in sight below the headings when the choice moves.
function reveal(box, row) {
  const top = row.offsetTop - row.closest('table').tHead.offsetHeight;
  const bottom = row.offsetTop + row.offsetHeight;
  if (top < box.scrollTop) box.scrollTop = top;
  else if (bottom > box.scrollTop + box.clientHeight) box.scrollTop = bottom - box.clientHeight;
}

export function updateList(box, node, caption) {
  const table = box.firstChild;
  const columns = node.columns ?? [];
  const entries = node.rows ?? [];
  const disabled = !node.enabled;
  table.setAttribute('aria-label', node.text || caption);
  table.setAttribute('aria-disabled', String(disabled));
  table.tabIndex = disabled ? -1 : 0;

  const head = table.tHead.rows[0];
  while (head.cells.length > columns.length) head.deleteCell(-1);
  columns.forEach((column, index) => {
    let th = head.cells[index];
    if (!th) {
      th = document.createElement('th');
      th.scope = 'col';
      head.append(th);
    }
    setText(th, column);
  });

  const body = table.tBodies[0];
  while (body.rows.length > entries.length) body.deleteRow(-1);
  const withImages = entries.some((entry) => entry.image > 0);
  const columnCount = Math.max(1, columns.length);
  entries.forEach((entry, index) => {
    const tr = body.rows[index] ?? body.insertRow();
    tr.id ||= `list-${table.dataset.list}-row-${index}`;
    updateRow(tr, entry, columnCount, withImages);
    tr.setAttribute('aria-selected', String(index === node.selection));
  });

  const chosen = body.rows[node.selection];
  if (chosen) table.setAttribute('aria-activedescendant', chosen.id);
  else table.removeAttribute('aria-activedescendant');
  if (chosen && box.shownSelection !== node.selection) reveal(box, chosen);
  box.shownSelection = node.selection;
}
