// The sequencing timeline: for each sonar group, the last 30 s of the host's clock with one row per
// sonar, each ping from its trigger to its release, the guard time after it lighter, and any ping that
// overlaps another sonar's ping of the same group in the overlap colour.

import { cssColour } from './palette.js';

const kWindowSeconds = 30;
const kKeepSeconds = 60;
const kRowHeight = 22;
const kAxisHeight = 18;
const kLabelWidth = 130;

export const hostNow = (state) => performance.now() / 1000 + state.clockOffset;

export function addPing(state, ping) {
  state.pings.push(ping);
  const oldest = hostNow(state) - kKeepSeconds;
  while (state.pings.length && state.pings[0].release + state.pings[0].guard < oldest) state.pings.shift();
}

// Takes the host's list of recent pings, keeping those streamed since the list was made.
export function setPings(state, recent) {
  const newest = recent.length ? recent[recent.length - 1].trigger : -Infinity;
  state.pings = [...recent, ...state.pings.filter((ping) => ping.trigger > newest)];
}

// The pings of each group, each marked when its [trigger, release] overlaps another sonar's.
export function groupPings(pings) {
  const groups = new Map();
  for (const ping of pings) {
    if (!groups.has(ping.group)) groups.set(ping.group, []);
    groups.get(ping.group).push({ ...ping, overlaps: false });
  }
  for (const list of groups.values()) {
    list.sort((a, b) => a.trigger - b.trigger);
    for (let i = 0; i < list.length; ++i) {
      for (let j = i + 1; j < list.length && list[j].trigger < list[i].release; ++j) {
        if (list[j].sonar !== list[i].sonar) list[i].overlaps = list[j].overlaps = true;
      }
    }
  }
  return new Map([...groups].sort(([a], [b]) => a - b));
}

function summary(group, list, names) {
  const counts = new Map();
  for (const ping of list) counts.set(ping.sonar, (counts.get(ping.sonar) ?? 0) + 1);
  const perSonar = [...counts].map(([key, count]) => `${names.get(key) ?? key} ${count} pings`).join(', ');
  // Turns are taken once every sonar of the group has joined: no sonar pings twice in a row after that.
  const joined = new Set();
  const firstRound = list.findIndex((ping) => joined.add(ping.sonar).size === counts.size);
  const turns = list.every((ping, i) => i <= firstRound || ping.sonar !== list[i - 1].sonar);
  const overlaps = list.filter((ping) => ping.overlaps).length;
  const order = counts.size < 2 ? 'one sonar' : turns ? 'taking turns' : 'not taking turns';
  return `Group ${group}: ${perSonar || 'no pings'}; ${order}; ${overlaps ? `${overlaps} overlapping pings` : 'no overlaps'}`;
}

export function renderTimeline(container, state) {
  const now = hostNow(state);
  const start = now - kWindowSeconds;
  const names = new Map(state.devices.map((device) => [device.key, device.name]));
  const groups = groupPings(state.pings.filter((ping) => ping.release + ping.guard >= start));
  const seen = new Set();
  for (const [group, list] of groups) {
    seen.add(String(group));
    const figure = groupFigure(container, group);
    const text = summary(group, list, names);
    if (figure.caption.textContent !== text) {
      figure.caption.textContent = text;
      figure.canvas.setAttribute('aria-label', text);
    }
    draw(figure.canvas, list, names, start);
  }
  for (const figure of [...container.querySelectorAll('figure')]) {
    if (!seen.has(figure.dataset.group)) figure.remove();
  }
  container.querySelector('.empty')?.toggleAttribute('hidden', groups.size > 0);
}

function groupFigure(container, group) {
  let figure = container.querySelector(`figure[data-group="${group}"]`);
  if (!figure) {
    figure = document.createElement('figure');
    figure.dataset.group = String(group);
    const canvas = document.createElement('canvas');
    canvas.setAttribute('role', 'img');
    const caption = document.createElement('figcaption');
    figure.append(canvas, caption);
    container.append(figure);
  }
  return { canvas: figure.querySelector('canvas'), caption: figure.querySelector('figcaption') };
}

function draw(canvas, list, names, start) {
  const sonars = [...new Set(list.map((ping) => ping.sonar))].sort();
  const cssWidth = canvas.parentElement.clientWidth || 600;
  const cssHeight = kAxisHeight + sonars.length * kRowHeight;
  const scale = window.devicePixelRatio || 1;
  if (canvas.width !== Math.round(cssWidth * scale) || canvas.height !== Math.round(cssHeight * scale)) {
    canvas.width = Math.round(cssWidth * scale);
    canvas.height = Math.round(cssHeight * scale);
    canvas.style.height = `${cssHeight}px`;
  }
  const context = canvas.getContext('2d');
  context.setTransform(scale, 0, 0, scale, 0, 0);
  context.clearRect(0, 0, cssWidth, cssHeight);
  const plotWidth = cssWidth - kLabelWidth - 8;
  const x = (seconds) => kLabelWidth + ((seconds - start) / kWindowSeconds) * plotWidth;
  const font = getComputedStyle(canvas).fontFamily;
  context.font = `12px ${font}`;
  context.textBaseline = 'middle';

  // The axis: a tick every 5 s, "now" at the right.
  context.strokeStyle = cssColour('--grid');
  context.fillStyle = cssColour('--muted');
  for (let ago = kWindowSeconds; ago >= 0; ago -= 5) {
    const tick = x(start + kWindowSeconds - ago);
    context.beginPath();
    context.moveTo(tick + 0.5, kAxisHeight - 4);
    context.lineTo(tick + 0.5, cssHeight);
    context.stroke();
    context.textAlign = ago === 0 ? 'right' : ago === kWindowSeconds ? 'left' : 'center';
    context.fillText(ago === 0 ? 'now' : `−${ago} s`, tick, kAxisHeight / 2);
  }

  const colours = { ping: cssColour('--ping'), guard: cssColour('--guard'), overlap: cssColour('--overlap') };
  sonars.forEach((sonar, row) => {
    const top = kAxisHeight + row * kRowHeight;
    context.fillStyle = cssColour('--text');
    context.textAlign = 'left';
    context.fillText(names.get(sonar) ?? sonar, 4, top + kRowHeight / 2, kLabelWidth - 8);
    context.save();
    context.beginPath();
    context.rect(kLabelWidth, top, plotWidth, kRowHeight);
    context.clip();
    for (const ping of list) {
      if (ping.sonar !== sonar) continue;
      const left = x(ping.trigger);
      const release = x(ping.release);
      context.fillStyle = colours.guard;
      context.fillRect(release, top + 5, Math.max(1, x(ping.release + ping.guard) - release), kRowHeight - 10);
      context.fillStyle = ping.overlaps ? colours.overlap : colours.ping;
      context.fillRect(left, top + 3, Math.max(1, release - left), kRowHeight - 6);
    }
    context.restore();
  });
}
