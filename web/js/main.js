// Wires the page: the state in one place, the host's stream feeding it, each part drawn from it.

import { getJson } from './api.js';
import { connect } from './connection.js';
import { renderSonars, selectSonar } from './sonars.js';
import { updateLink, renderLinkHealth } from './linkHealth.js';
import { addPing, setPings, renderTimeline } from './timeline.js';
import { addSonarEvent, renderEvents } from './events.js';
import { initPalette } from './palette.js';
import { createViews } from './views.js';
import { initOperator } from './operator.js';
import { addHistoryEntry, historyDevice, loadHistory, renderHistory } from './history.js';
import { createProfiles } from './profiles.js';
import { createRestoreBanners, loadRestoreOffers, updateRestoreOffer } from './restore.js';

const state = {
  devices: [],
  links: new Map(),        // device key -> the link as the host last reported it
  samples: new Map(),      // device key -> {time, link}: the counters the rates start from
  rates: new Map(),        // device key -> records and bytes per second each way
  attributes: new Map(),   // device key -> attribute map
  selected: null,          // the device key of the operator's sonar
  events: [],              // sonar events, newest first
  pings: [],               // sequenced pings, oldest first
  clockOffset: 0,          // host steady-clock seconds minus this page's performance.now() seconds
  // The change history shown: newest first, of every sonar or (selectedOnly) of the selected one.
  history: { entries: [], selectedOnly: false, device: null, load: null },
  restores: new Map(),     // device key -> the host's pending restore offer
};

const element = (id) => document.getElementById(id);
const parts = {
  sonars: () => renderSonars(element('sonars'), state, choose),
  links: () => renderLinkHealth(element('links').tBodies[0], state),
  events: () => renderEvents(element('events'), state),
  timeline: () => renderTimeline(element('timeline'), state),
  history: () => renderHistory(element('history'), state),
  profiles: () => profiles.draw(),
  restores: () => renderRestores(),
};
const dirty = new Set();
let frame = 0;
function redraw(...names) {
  names.forEach((name) => dirty.add(name));
  if (!frame) {
    frame = requestAnimationFrame(() => {
      frame = 0;
      for (const name of dirty) parts[name]();
      dirty.clear();
    });
  }
}

const views = createViews({ container: element('views'), templates: element('templates'), state });
const profiles = createProfiles({ container: element('profiles'), heading: element('profiles-heading'), state });
const renderRestores = createRestoreBanners({ container: element('restores'), state, redraw: () => redraw('restores') });

// The history is read again when what it should show changes (another sonar, or every sonar).
const warnHistory = (error) => console.warn('could not load the history:', error.message);
function reloadHistory() {
  const load = loadHistory(state).finally(() => redraw('history'));
  redraw('history');
  return load;
}

async function choose(key) {
  state.selected = key;
  redraw('sonars');
  if (historyDevice(state) !== state.history.device) reloadHistory().catch(warnHistory);
  else redraw('history');
  profiles.reload();
  await selectSonar(key).catch((error) => console.warn('selection refused:', error.message));
}

element('history').querySelector('input[name="selected-only"]').addEventListener('change', (event) => {
  state.history.selectedOnly = event.target.checked;
  reloadHistory().catch(warnHistory);
});

async function syncClock() {
  const sent = performance.now();
  const clock = await getJson('/api/clock');
  const received = performance.now();
  state.clockOffset = clock.steady - (sent + received) / 2000;
}

// Everything the page shows, fetched again each time the stream opens. Each part loads on its own, so
// that one the host cannot answer leaves the others shown.
const loadPart = (what, load) => load().catch((error) => console.warn(`could not load ${what}:`, error.message));
function loadAll() {
  return Promise.all([
    loadPart('the devices', async () => {
      state.devices = await getJson('/api/devices');
      redraw('sonars', 'links', 'timeline', 'history', 'profiles', 'restores');
      await Promise.all(state.devices.map(async (device) => {
        state.attributes.set(device.key, await getJson(`/api/devices/${device.key}/attributes`));
      }));
      redraw('links');
    }),
    loadPart('the links', async () => {
      for (const link of await getJson('/api/links')) updateLink(state, link);
      redraw('sonars', 'links');
    }),
    loadPart('the pings', async () => {
      await syncClock();
      setPings(state, await getJson('/api/pings'));
      redraw('timeline');
    }),
    loadPart('the views', () => views.reload()),
    loadPart('the history', reloadHistory),
    loadPart('the profiles', () => profiles.reload()),
    loadPart('the restore offers', async () => {
      await loadRestoreOffers(state);
      redraw('restores');
    }),
  ]);
}

function onEvent(event) {
  switch (event.type) {
    case 'link':
      updateLink(state, event.link);
      redraw('sonars', 'links');
      break;
    case 'attributes':
      state.attributes.set(event.key, event.attributes);
      profiles.attributesChanged(event.key);
      redraw('links');
      break;
    case 'history':
      addHistoryEntry(state, event.entry);
      redraw('history');
      break;
    case 'restore':
      updateRestoreOffer(state, event);
      redraw('restores');
      break;
    case 'sonarEvent':
      addSonarEvent(state, event);
      redraw('events');
      break;
    case 'ping':
      addPing(state, event);
      break;
    case 'view':
      views.changed(event);
      break;
    default:
      break;
  }
}

initOperator(element('operator'));
initPalette(element('palette'));
document.addEventListener('palettechange', () => redraw('timeline'));
connect({
  banner: element('banner'),
  onOpen: loadAll,
  onEvent,
});
// Rates come from successive counters, so the links are read again even when nothing is streamed.
setInterval(() => {
  if (element('banner').hidden) {
    getJson('/api/links').then((links) => {
      for (const link of links) updateLink(state, link);
      redraw('sonars', 'links');
    }).catch(() => {});
  }
}, 1000);
setInterval(() => redraw('timeline'), 200);
redraw('events');
