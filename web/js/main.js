// Wires the page: the state in one place, the host's stream feeding it, each part drawn from it.

import { getJson } from './api.js';
import { connect } from './connection.js';
import { renderSonars, selectSonar } from './sonars.js';
import { updateLink, renderLinkHealth } from './linkHealth.js';
import { addPing, setPings, renderTimeline } from './timeline.js';
import { addSonarEvent, renderEvents } from './events.js';
import { initPalette } from './palette.js';
import { createViews } from './views.js';

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
};

const element = (id) => document.getElementById(id);
const parts = {
  sonars: () => renderSonars(element('sonars'), state, choose),
  links: () => renderLinkHealth(element('links').tBodies[0], state),
  events: () => renderEvents(element('events'), state),
  timeline: () => renderTimeline(element('timeline'), state),
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

async function choose(key) {
  state.selected = key;
  redraw('sonars');
  await selectSonar(key).catch((error) => console.warn('selection refused:', error.message));
}

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
      redraw('sonars', 'links', 'timeline');
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
      redraw('links');
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
