// Draws a view's window tree as the host describes it: each window at its pixel rectangle in its
// parent's client area, children drawn last to first (the host lists the top of the Z order first),
// hidden windows left out. Elements are kept from one tree to the next (keyed by their place in the
// tree), so focus and a drag in progress survive every update.

import { createList, updateList } from './listControl.js';
import { createScrollBar, placeThumb } from './scrollBar.js';

const kClosedComboHeight = 21;
const kTabStripHeight = 24;

// The static text on the same row to the left of a control, without its colon: the control's caption.
export function captionOf(node, siblings) {
  const [left, top, , bottom] = node.rect;
  const middle = (top + bottom) / 2;
  const onRow = siblings.filter((s) => s.kind === 'static' && s.visible && s.text.trim() &&
    s.rect[1] <= middle && s.rect[3] >= Math.min(middle, top + 10) && s.rect[2] <= left + 2);
  const labelled = onRow.filter((s) => s.text.trim().endsWith(':'));
  const pick = (list) => list.sort((a, b) => b.rect[2] - a.rect[2])[0];
  const caption = pick(labelled) ?? pick(onRow.sort((a, b) => a.rect[0] - b.rect[0]).slice(0, 1));
  return caption ? caption.text.trim().replace(/:$/, '') : '';
}

// Statics on a bar's row to its right: the value labels that a drag must not see yanked back.
const isValueLabelOf = (bar, node) => node.kind === 'static' && node.rect[0] >= bar.rect[2] - 2 &&
  node.rect[1] < bar.rect[3] && node.rect[3] > bar.rect[1];

function create(node, ctx) {
  switch (node.kind) {
    case 'button': {
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'win win-button';
      button.addEventListener('click', () => ctx.send([{ control: button.windowNode.id, click: true }]));
      return button;
    }
    case 'checkbox':
    case 'radio': {
      const label = document.createElement('label');
      label.className = 'win win-check';
      const input = document.createElement('input');
      input.type = node.kind;
      const text = document.createElement('span');
      label.append(input, text);
      input.addEventListener('click', () => ctx.send([{ control: label.windowNode.id, click: true }]));
      return label;
    }
    case 'edit': {
      const input = document.createElement('input');
      input.type = 'text';
      input.className = 'win win-edit';
      input.addEventListener('change', () => ctx.send([{ control: input.windowNode.id, text: input.value }]));
      return input;
    }
    case 'combobox': {
      const select = document.createElement('select');
      select.className = 'win win-select';
      select.addEventListener('change', () => ctx.send([{ control: select.windowNode.id, select: select.selectedIndex }]));
      return select;
    }
    case 'scrollbar':
      return createScrollBar(ctx.send, ctx.drag);
    case 'tab':
      return createTabs(ctx);
    case 'list':
      return createList(ctx.send);
    case 'groupbox': {
      // A frame with its caption in the top edge; clicks pass through to the controls it frames.
      const frame = document.createElement('fieldset');
      frame.className = 'win win-group';
      frame.style.pointerEvents = 'none';
      frame.style.margin = '0';
      frame.append(document.createElement('legend'));
      return frame;
    }
    default: {
      const div = document.createElement('div');
      div.className = `win win-${node.kind}`;
      return div;
    }
  }
}

function createTabs(ctx) {
  const box = document.createElement('div');
  box.className = 'win win-tab';
  const strip = document.createElement('div');
  strip.className = 'win-tablist';
  strip.setAttribute('role', 'tablist');
  box.append(strip);
  const choose = (index) => ctx.send([{ control: box.windowNode.id, tab: index }]);
  strip.addEventListener('click', (event) => {
    const tab = event.target.closest('[role="tab"]');
    if (tab) choose(Number(tab.dataset.index));
  });
  strip.addEventListener('keydown', (event) => {
    const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
    if (!step) return;
    event.preventDefault();
    const count = box.windowNode.items.length;
    const index = (box.windowNode.selection + step + count) % count;
    strip.children[index]?.focus();
    choose(index);
  });
  return box;
}

function update(el, node, siblings, ctx) {
  el.windowNode = node;
  const caption = () => captionOf(node, siblings);
  const disabled = !node.enabled;
  switch (node.kind) {
    case 'button':
      el.textContent = node.text;
      el.disabled = disabled;
      break;
    case 'checkbox':
    case 'radio': {
      const input = el.firstChild;
      input.checked = node.checked === 1;
      input.indeterminate = node.checked === 2;
      input.disabled = disabled;
      el.classList.toggle('disabled', disabled);
      el.lastChild.textContent = node.text;
      break;
    }
    case 'edit':
      if (document.activeElement !== el) el.value = node.text;
      el.disabled = disabled;
      el.readOnly = node.readonly === true;
      el.setAttribute('aria-label', caption());
      break;
    case 'combobox':
      if ([...el.options].map((o) => o.text).join('\n') !== node.items.join('\n')) {
        el.replaceChildren(...node.items.map((item) => new Option(item)));
      }
      el.selectedIndex = node.selection;
      el.disabled = disabled;
      el.setAttribute('aria-label', caption());
      break;
    case 'scrollbar': {
      const dragged = ctx.drag.control === node.id;
      el.setAttribute('aria-label', caption());
      el.setAttribute('aria-orientation', node.vertical ? 'vertical' : 'horizontal');
      el.setAttribute('aria-valuemin', String(node.min));
      el.setAttribute('aria-valuemax', String(Math.max(node.min, node.max)));
      el.setAttribute('aria-disabled', String(disabled || node.max <= node.min));
      el.tabIndex = disabled ? -1 : 0;
      placeThumb(el, dragged ? { ...node, pos: ctx.drag.pos } : node);
      break;
    }
    case 'tab':
      updateTabs(el, node, siblings, disabled);
      break;
    case 'list':
      updateList(el, node, caption());
      break;
    case 'groupbox':
      el.firstChild.textContent = node.text;
      break;
    case 'static': {
      const bar = siblings.find((s) => s.kind === 'scrollbar' && s.id === ctx.drag.control);
      const frozen = bar && bar.pos !== ctx.drag.pos && isValueLabelOf(bar, node);
      if (!frozen) el.textContent = node.text;
      break;
    }
    default:
      break;
  }
}

function updateTabs(el, node, siblings, disabled) {
  const strip = el.firstChild;
  strip.style.height = `${kTabStripHeight}px`;
  const tabs = node.items.map((item, index) => {
    const tab = strip.children[index] ?? document.createElement('button');
    tab.type = 'button';
    tab.setAttribute('role', 'tab');
    tab.dataset.index = String(index);
    tab.textContent = item;
    tab.disabled = disabled;
    tab.setAttribute('aria-selected', String(index === node.selection));
    tab.tabIndex = index === node.selection ? 0 : -1;
    return tab;
  });
  if (strip.children.length !== tabs.length || tabs.some((tab, i) => strip.children[i] !== tab)) {
    strip.replaceChildren(...tabs);
  }
  const label = captionOf(node, siblings);
  if (label) strip.setAttribute('aria-label', label);
  else strip.removeAttribute('aria-label');
}

function place(el, node, isRoot) {
  const [left, top, right, bottom] = node.rect;
  const height = node.kind === 'combobox' ? Math.min(kClosedComboHeight, bottom - top) : bottom - top;
  el.style.left = isRoot ? '' : `${left}px`;
  el.style.top = isRoot ? '' : `${top}px`;
  el.style.width = `${right - left}px`;
  el.style.height = `${height}px`;
}

// Draws node into parent at path; returns its element. ctx: {elements, seen, send, drag}.
function drawWindow(node, parent, path, siblings, ctx) {
  const key = `${path}/${node.kind}:${node.id}`;
  let el = ctx.elements.get(key);
  if (!el) {
    el = create(node, ctx);
    ctx.elements.set(key, el);
  }
  ctx.seen.add(key);
  place(el, node, parent === null);
  el.hidden = !node.visible;
  if (!node.visible) return el;
  update(el, node, siblings, ctx);
  const children = [...(node.children ?? [])].reverse();
  children.forEach((child, index) => {
    const childEl = drawWindow(child, el, `${key}/${children.length - 1 - index}`, node.children, ctx);
    const tabStrip = el.classList.contains('win-tab') ? 1 : 0;
    if (el.children[index + tabStrip] !== childEl) el.insertBefore(childEl, el.children[index + tabStrip] ?? null);
  });
  return el;
}

export function drawTree(body, root, ctx) {
  ctx.seen = new Set();
  const rootEl = drawWindow(root, null, '', [], ctx);
  if (body.firstChild !== rootEl) body.replaceChildren(rootEl);
  for (const [key, el] of ctx.elements) {
    if (!ctx.seen.has(key)) {
      el.remove();
      ctx.elements.delete(key);
    }
  }
}
