// Restore offers: a sonar that came back (after a power interruption, say) with settings other than the
// ones it last confirmed gets a banner in every open browser, naming the sonar and what differs, with one
// button that puts the remembered settings back and one that dismisses the offer. The host says when
// an offer comes or goes (a "restore" stream event), so a banner goes from every browser at once.

import { deleteJson, getJson, postJson } from './api.js';
import { diffTable } from './table.js';
import { showValue } from './values.js';

export function setRestoreOffers(state, offers) {
  state.restores.clear();
  for (const offer of offers) updateRestoreOffer(state, offer);
}

export function updateRestoreOffer(state, offer) {
  if (offer.pending) state.restores.set(offer.device, offer);
  else state.restores.delete(offer.device);
}

export const loadRestoreOffers = async (state) => setRestoreOffers(state, await getJson('/api/restore'));

export function createRestoreBanners({ container, state, redraw }) {
  const notes = new Map();  // device key -> what became of the operator's last click, while the offer stands

  // doing: what shows while the host is asked ("Restoring the settings"); task: what failed ("restore the settings").
  async function act(key, doing, task, call) {
    notes.set(key, { text: `${doing}…`, busy: true });
    redraw();
    try {
      // Once applied or dismissed the offer stands no more; the host tells every other browser.
      await call(`/api/devices/${encodeURIComponent(key)}/restore`);
      updateRestoreOffer(state, { device: key, pending: false });
      notes.delete(key);
    } catch (error) {
      notes.set(key, { text: `Could not ${task}: ${error.message}.`, busy: false });
    }
    redraw();
  }

  function banner(offer) {
    const key = offer.device;
    const name = state.devices.find((device) => device.key === key)?.name ?? key;
    const note = notes.get(key);
    const section = document.createElement('section');
    section.className = 'restore';
    section.dataset.key = key;
    const title = document.createElement('h2');
    title.id = `restore-${key.replaceAll('.', '-')}`;
    title.textContent = `${name} came back with other settings`;
    section.setAttribute('aria-labelledby', title.id);
    const text = document.createElement('p');
    text.textContent = 'The sonar reports settings that differ from the ones it last confirmed, as after a ' +
      'power interruption. The remembered settings can be put back.';
    const diff = diffTable(`Settings of ${name} that differ`, ['Setting', 'Remembered', 'Current'],
      offer.diff.map((entry) => [entry.key, showValue(entry.remembered), showValue(entry.current)]),
      'No setting differs any more.');
    const actions = document.createElement('div');
    actions.className = 'actions';
    const restore = document.createElement('button');
    restore.type = 'button';
    restore.className = 'primary';
    restore.textContent = 'Restore settings';
    restore.addEventListener('click',
      () => act(key, 'Restoring the settings', 'restore the settings', (path) => postJson(path)));
    const dismiss = document.createElement('button');
    dismiss.type = 'button';
    dismiss.textContent = 'Dismiss';
    dismiss.addEventListener('click', () => act(key, 'Dismissing the offer', 'dismiss the offer', deleteJson));
    restore.disabled = dismiss.disabled = Boolean(note?.busy);
    const status = document.createElement('span');
    status.setAttribute('role', 'status');
    status.textContent = note?.text ?? '';
    actions.append(restore, dismiss, status);
    section.append(title, text, diff, actions);
    return section;
  }

  return function render() {
    for (const key of notes.keys()) if (!state.restores.has(key)) notes.delete(key);
    container.replaceChildren(...[...state.restores.values()].map(banner));
    container.hidden = state.restores.size === 0;
  };
}
