// The change history: which setting of which sonar was changed, when, by whom and through what, and the
// value the sonar reported afterwards. Newest first, for every sonar or the selected one; loaded when
// the stream opens or the choice changes, then kept live by the stream's history entries (an entry comes
// again, with the same seq, once the sonar has confirmed its value).

import { getJson } from './api.js';
import { makeRow } from './table.js';
import { localTime, sameValue, showValue, timeElement } from './values.js';

const kShown = 200;

// The sonar whose history is shown, or null for every sonar.
export const historyDevice = (state) => (state.history.selectedOnly && state.selected ? state.selected : null);

function merge(history, entry) {
  const at = history.entries.findIndex((shown) => shown.seq === entry.seq);
  if (at >= 0) {
    // A confirmed copy never gives way to the unconfirmed one, whichever arrives last.
    if (entry.confirmed !== null || history.entries[at].confirmed === null) history.entries[at] = entry;
    return;
  }
  history.entries.push(entry);
  history.entries.sort((a, b) => b.seq - a.seq);
  if (history.entries.length > kShown) history.entries.length = kShown;
}

// Fetches the newest entries for what is to be shown; entries streamed meanwhile are merged in after.
export async function loadHistory(state) {
  const history = state.history;
  const device = historyDevice(state);
  const query = new URLSearchParams({ limit: String(kShown) });
  if (device) query.set('device', device);
  const load = { device, streamed: [] };
  history.load = load;
  let entries;
  try {
    entries = await getJson(`/api/history?${query}`);
  } catch (error) {
    if (history.load === load) history.load = null;
    throw error;
  }
  if (history.load !== load) return;  // A newer load has taken its place.
  history.load = null;
  history.device = device;
  history.entries = entries.slice(0, kShown);
  for (const entry of load.streamed) merge(history, entry);
}

export function addHistoryEntry(state, entry) {
  const history = state.history;
  if (history.load && (!history.load.device || history.load.device === entry.device)) history.load.streamed.push(entry);
  if (history.device && history.device !== entry.device) return;
  merge(history, entry);
}

function confirmedCell(entry) {
  const cell = document.createDocumentFragment();
  cell.append(showValue(entry.confirmed));
  if (entry.confirmed === null) return cell;
  if (!sameValue(entry.confirmed, entry.to)) {
    const badge = document.createElement('span');
    badge.className = 'clamped';
    badge.textContent = 'clamped';
    badge.title = `The sonar reported ${showValue(entry.confirmed)} instead of the ${showValue(entry.to)} requested`;
    cell.append(' ', badge);
  }
  return cell;
}

export function renderHistory(section, state) {
  const history = state.history;
  const names = new Map(state.devices.map((device) => [device.key, device.name]));
  const deviceName = (key) => names.get(key) ?? key;
  const toggle = section.querySelector('input[name="selected-only"]');
  toggle.checked = history.selectedOnly;
  toggle.disabled = !state.selected;
  const link = section.querySelector('a.download');
  link.href = history.device ? `/api/history.csv?device=${encodeURIComponent(history.device)}` : '/api/history.csv';

  const table = section.querySelector('table');
  table.caption.textContent = history.device
    ? `Changes to ${deviceName(history.device)}, newest first` : 'Changes to every sonar, newest first';
  const rows = history.entries.map((entry) => {
    const sonar = document.createElement('span');
    sonar.textContent = deviceName(entry.device);
    sonar.title = entry.device;
    const row = makeRow([timeElement(entry.time, localTime(entry.time)), sonar, entry.key, showValue(entry.from),
      showValue(entry.to), confirmedCell(entry), entry.source, entry.client]);
    row.dataset.seq = String(entry.seq);
    return row;
  });
  if (rows.length === 0) {
    const row = document.createElement('tr');
    const cell = row.insertCell();
    cell.colSpan = 8;
    cell.className = 'empty';
    cell.textContent = history.load ? 'Loading…' : 'No changes yet.';
    rows.push(row);
  }
  table.tBodies[0].replaceChildren(...rows);
}
