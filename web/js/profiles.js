// The selected sonar's profiles: known-good settings saved under a name, compared with the sonar's
// settings before they are applied, applied in one step, deleted after a second click. While a
// comparison is shown it is fetched again whenever the sonar reports its settings, so an applied
// profile is seen to take hold. The host's refusals are shown next to the form, in words.

import { deleteJson, getJson, postJson } from './api.js';
import { diffTable, makeTable } from './table.js';
import { localDateTime, showValue } from './values.js';

// What a refusal means for the operator; a bad name (400) is explained well enough by the host itself.
const kWhy = {
  404: 'the host knows no such sonar or profile',
  409: 'the sonar has reported no settings yet',
};

function inWords(what, error) {
  const why = kWhy[error.status];
  return `Could not ${what}: ${why ? `${why} (${error.message})` : error.message}.`;
}

const button = (text, label, onClick) => {
  const element = document.createElement('button');
  element.type = 'button';
  element.textContent = text;
  if (label) element.setAttribute('aria-label', label);
  element.addEventListener('click', onClick);
  return element;
};

export function createProfiles({ container, heading, state }) {
  // What the panel shows of the selected sonar; compare is {name, diff (null while loading), note}.
  const ui = { device: null, profiles: [], compare: null, deleting: null, message: '', list: 'loading', focus: null };
  const path = (name = '') =>
    `/api/devices/${encodeURIComponent(ui.device)}/profiles${name ? `/${encodeURIComponent(name)}` : ''}`;
  const deviceName = () => state.devices.find((device) => device.key === ui.device)?.name ?? ui.device;

  // Runs one call; a refusal becomes the message next to the form, which a later call that goes through
  // clears unless it runs in the background. Answers whether it went through.
  async function attempt(what, call, { background = false } = {}) {
    try {
      await call();
      if (!background) ui.message = '';
      return true;
    } catch (error) {
      ui.message = inWords(what, error);
      return false;
    } finally {
      draw();
    }
  }

  const loadList = async () => {
    const device = ui.device;
    const listed = await attempt('read the profiles', async () => {
      const profiles = device ? await getJson(path()) : [];
      if (device === ui.device) ui.profiles = profiles;
    }, { background: true });
    if (device === ui.device) ui.list = listed ? 'listed' : 'failed';
    draw();
  };

  // One diff fetch at a time: a burst of settings reports meanwhile asks once more, a moment later.
  const kDiffPauseMs = 300;
  let comparing = false;
  let compareAgain = false;
  async function loadDiff({ background = false } = {}) {
    if (!ui.compare) return;
    if (comparing) {
      compareAgain = true;
      return;
    }
    comparing = true;
    do {
      compareAgain = false;
      const compare = ui.compare;
      await attempt(`compare "${compare.name}"`, async () => {
        const diff = await getJson(`${path(compare.name)}/diff`);
        if (ui.compare === compare) compare.diff = diff;
      }, { background });
      if (compareAgain) await new Promise((resolve) => setTimeout(resolve, kDiffPauseMs));
    } while (compareAgain && ui.compare);
    comparing = false;
  }

  async function save(name) {
    if (await attempt(name ? `save "${name}"` : 'save the profile', () => postJson(path(), { name }))) {
      container.querySelector('input[name="profile"]').value = '';
      await loadList();
    }
  }

  async function apply(compare) {
    compare.note = 'Applying…';
    await attempt(`apply "${compare.name}"`, async () => {
      const { applied } = await postJson(`${path(compare.name)}/apply`);
      compare.note = applied.length === 0 ? 'Nothing to apply: the sonar already has these settings.'
        : `Sent ${applied.length} setting${applied.length === 1 ? '' : 's'} (${applied.join(', ')}); the comparison ` +
          'follows what the sonar reports.';
    });
    await loadDiff();
  }

  async function remove(name) {
    ui.deleting = null;
    if (await attempt(`delete "${name}"`, () => deleteJson(path(name)))) {
      if (ui.compare?.name === name) ui.compare = null;
      await loadList();
    }
  }

  function actionsOf(profile) {
    const actions = document.createElement('div');
    actions.className = 'actions';
    if (ui.deleting === profile.name) {
      const ask = document.createElement('span');
      ask.textContent = `Delete "${profile.name}"?`;
      actions.append(ask, button('Yes, delete', `Yes, delete "${profile.name}"`, () => remove(profile.name)),
        button('Keep', `Keep "${profile.name}"`, () => {
          ui.deleting = null;
          ui.focus = `Delete "${profile.name}"`;
          draw();
        }));
      return actions;
    }
    actions.append(button('Compare', `Compare "${profile.name}"`, () => {
      ui.compare = { name: profile.name, diff: null, note: '' };
      draw();
      loadDiff();
    }), button('Delete', `Delete "${profile.name}"`, () => {
      ui.deleting = profile.name;
      ui.focus = `Yes, delete "${profile.name}"`;
      draw();
    }));
    return actions;
  }

  function comparison() {
    const { name, diff, note } = ui.compare;
    const box = document.createElement('div');
    box.className = 'comparison';
    const title = document.createElement('h3');
    title.textContent = `"${name}" compared with ${deviceName()} now`;
    box.append(title);
    if (diff === null) {
      const loading = document.createElement('p');
      loading.className = 'empty';
      loading.textContent = 'Comparing…';
      box.append(loading);
    } else {
      box.append(diffTable(`Settings where "${name}" differs from the sonar`, ['Setting', 'Profile', 'Current'],
        diff.map((entry) => [entry.key, showValue(entry.profile), showValue(entry.current)]),
        `The sonar's settings match "${name}".`));
    }
    const actions = document.createElement('div');
    actions.className = 'actions';
    const applyButton = button('Apply', `Apply "${name}"`, () => apply(ui.compare));
    applyButton.disabled = !diff?.length;
    const status = document.createElement('span');
    status.setAttribute('role', 'status');
    status.textContent = note;
    actions.append(applyButton, button('Close', `Close the comparison with "${name}"`, () => {
      ui.compare = null;
      draw();
    }), status);
    box.append(actions);
    return box;
  }

  function draw() {
    const form = container.querySelector('form');
    const message = container.querySelector('.form-error');
    const list = container.querySelector('.profile-list');
    heading.textContent = ui.device ? `Profiles of ${deviceName()}` : 'Profiles';
    form.hidden = !ui.device;
    message.textContent = ui.message;
    if (!ui.device) {
      const hint = document.createElement('p');
      hint.className = 'empty';
      hint.textContent = 'Choose a sonar to see its profiles.';
      list.replaceChildren(hint);
      return;
    }
    const parts = [];
    if (ui.profiles.length === 0) {
      const none = document.createElement('p');
      none.className = 'empty';
      none.textContent = { loading: 'Loading…', listed: 'No profile saved for this sonar yet.', failed: '' }[ui.list];
      parts.push(none);
    } else {
      parts.push(makeTable({
        caption: `Saved profiles of ${deviceName()}`,
        columns: ['Name', 'Saved', 'Settings', 'Actions'],
        rows: ui.profiles.map((profile) => [profile.name, localDateTime(profile.saved), String(profile.keys),
          actionsOf(profile)]),
      }));
    }
    if (ui.compare) parts.push(comparison());
    // The panel is drawn anew; the button that had the focus gets it back (each one's name is its own).
    const focused = ui.focus ??
      (list.contains(document.activeElement) ? document.activeElement.getAttribute('aria-label') : null);
    ui.focus = null;
    list.replaceChildren(...parts);
    if (focused) [...list.querySelectorAll('button')].find((b) => b.getAttribute('aria-label') === focused)?.focus();
  }

  container.querySelector('form').addEventListener('submit', (event) => {
    event.preventDefault();
    save(container.querySelector('input[name="profile"]').value.trim());
  });

  return {
    // The operator chose another sonar, or the stream opened again: everything is read anew.
    reload() {
      if (ui.device !== state.selected) {
        Object.assign(ui, { device: state.selected, profiles: [], compare: null, deleting: null, message: '', list: 'loading' });
      }
      draw();
      return Promise.all([loadList(), loadDiff({ background: true })]);
    },
    attributesChanged(key) {
      if (key === ui.device && ui.compare) loadDiff({ background: true });
    },
    draw,
  };
}
