// The side list: each vessel with its devices, each sonar's link state and buffer status. Choosing a
// sonar tells the host (the selected-sonar notification), which the open views follow.

import { postJson, keyToId } from './api.js';

// What the host's buffer status numbers mean to the operator.
export const kBufferStatusText = { 0: 'data flowing', 1: 'not connected', 2: 'data timed out' };

export const linkIsUp = (link) => link?.state === 'connected';

export function renderSonars(container, state, onSelect) {
  const byVessel = new Map();
  for (const device of state.devices) {
    if (!byVessel.has(device.vessel)) byVessel.set(device.vessel, { name: device.vesselName, devices: [] });
    byVessel.get(device.vessel).devices.push(device);
  }
  const sections = [...byVessel].map(([number, vessel]) => {
    const section = document.createElement('section');
    section.className = 'vessel';
    const heading = document.createElement('h3');
    heading.textContent = vessel.name || `Vessel ${number}`;
    const list = document.createElement('ul');
    list.setAttribute('aria-label', heading.textContent);
    for (const device of vessel.devices) list.append(sonarItem(device, state, onSelect));
    section.append(heading, list);
    return section;
  });
  container.replaceChildren(...sections);
}

function sonarItem(device, state, onSelect) {
  const link = state.links.get(device.key);
  const item = document.createElement('li');
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'sonar';
  button.dataset.key = device.key;
  button.setAttribute('aria-pressed', String(state.selected === device.key));
  const name = document.createElement('span');
  name.className = 'sonar-name';
  name.textContent = device.name;
  const detail = document.createElement('span');
  detail.className = 'sonar-detail';
  if (link) {
    const up = linkIsUp(link);
    const badge = document.createElement('span');
    badge.className = `badge ${up ? 'up' : 'down'}`;
    badge.textContent = up ? 'connected' : `down (${link.state})`;
    const buffer = document.createElement('span');
    buffer.className = 'buffer';
    buffer.textContent = kBufferStatusText[link.bufferStatus] ?? `buffer ${link.bufferStatus ?? '–'}`;
    detail.append(badge, buffer);
  } else {
    detail.textContent = device.key;
  }
  button.append(name, detail);
  button.addEventListener('click', () => onSelect(device.key));
  item.append(button);
  return item;
}

export const selectSonar = (key) => postJson('/api/selection/sonar', { id: keyToId(key) });
