// Link health per sonar: the link's state and counters as the host reports them, rates worked out
// from successive counters, and the sonar's disk and recording state from its attributes.

import { attributeValue } from './api.js';
import { linkIsUp } from './sonars.js';

const kMinRateSeconds = 0.9;  // Counters closer together than this give noisy rates.

// Takes a new copy of a link's counters, updating its rates once enough time has passed.
export function updateLink(state, link, now = performance.now() / 1000) {
  state.links.set(link.key, link);
  const previous = state.samples.get(link.key);
  if (previous && now - previous.time < kMinRateSeconds) return;
  if (previous) {
    const seconds = now - previous.time;
    const rate = (name) => Math.max(0, (link[name] - previous.link[name]) / seconds);
    state.rates.set(link.key, {
      recordsIn: rate('recordsReceived'),
      recordsOut: rate('recordsSent'),
      bytesIn: rate('bytesReceived'),
      bytesOut: rate('bytesSent'),
    });
  }
  state.samples.set(link.key, { time: now, link });
}

const perSecond = (value) => (value === undefined ? '–' : value < 10 ? value.toFixed(1) : Math.round(value).toString());
function bytesPerSecond(value) {
  if (value === undefined) return '–';
  if (value >= 1e6) return `${(value / 1e6).toFixed(1)} MB/s`;
  if (value >= 1e3) return `${(value / 1e3).toFixed(1)} kB/s`;
  return `${Math.round(value)} B/s`;
}
const seconds = (value) => (value === null || value === undefined ? 'none yet' : `${value.toFixed(1)} s`);
function recording(value) {
  if (value === undefined) return '–';
  return { 0: 'off', 1: 'recording' }[value] ?? String(value);
}

export function renderLinkHealth(body, state) {
  const rows = [...state.links.values()].map((link) => {
    const rates = state.rates.get(link.key) ?? {};
    const attributes = state.attributes.get(link.key);
    const diskFree = attributeValue(attributes, 'ZqDiskFree');
    const up = linkIsUp(link);
    const cells = [
      link.device,
      up ? 'connected' : `down (${link.state})`,
      `${link.connects} / ${link.disconnects}`,
      `${perSecond(rates.recordsIn)} / ${perSecond(rates.recordsOut)}`,
      `${bytesPerSecond(rates.bytesIn)} / ${bytesPerSecond(rates.bytesOut)}`,
      String(link.droppedWhileDown),
      String(link.badSize + link.badChecksum),
      seconds(link.sinceSettings),
      diskFree === undefined ? '–' : `${diskFree} %`,
      recording(attributeValue(attributes, 'ZqDataRecording')),
    ];
    const row = document.createElement('tr');
    row.dataset.key = link.key;
    row.className = up ? 'up' : 'down';
    cells.forEach((text, index) => {
      const cell = document.createElement(index === 0 ? 'th' : 'td');
      if (index === 0) cell.scope = 'row';
      cell.textContent = text;
      if (index === 1) cell.className = `badge ${up ? 'up' : 'down'}`;
      row.append(cell);
    });
    if (link.problem) row.title = link.problem;
    return row;
  });
  body.replaceChildren(...rows);
}
