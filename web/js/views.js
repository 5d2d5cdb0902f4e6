// Open views: the commands that open one (one per registered template), a panel per open view with its
// window tree redrawn whenever the host says the tree changed, and the operator's actions sent back in
// order. A drag in progress keeps its bar where the operator holds it, whatever tree arrives meanwhile.

import { getJson, postJson, deleteJson, keyToId } from './api.js';
import { drawTree } from './viewTree.js';

// The operator's names for the templates the host registers; another template is named after its view.
const kTemplateNames = { KAVOSONARCONFIGURATION: 'Sonar configuration', KAVOSYSTEMMESSAGES: 'System messages' };
// Views that show every sonar and choose one themselves, so they open bound to none.
const kSonarWide = new Set(['KAVOSYSTEMMESSAGES']);
const templateName = (template) => kTemplateNames[template.name] ??
  template.view.replace(/View$/, '').replace(/([a-z])([A-Z])/g, '$1 $2') ?? template.name;

export function createViews({ container, templates, state }) {
  const views = new Map();  // id -> {id, title, version, panel, body, ctx, fetching, again}
  const placeholder = container.querySelector('.empty');

  const warn = (error) => console.warn('view action refused:', error.message);

  async function fetchTree(view) {
    if (view.fetching) {
      view.again = true;
      return;
    }
    view.fetching = true;
    try {
      do {
        view.again = false;
        const tree = await getJson(`/api/views/${view.id}`);
        if (tree.version >= view.version && views.get(view.id) === view) show(view, tree);
      } while (view.again);
    } catch (error) {
      if (error.status === 404) remove(view.id);
      else console.warn('view could not be read:', error.message);
    } finally {
      view.fetching = false;
    }
  }

  function show(view, tree) {
    view.version = tree.version;
    view.heading.textContent = tree.title;
    view.close.setAttribute('aria-label', `Close ${tree.title}`);
    drawTree(view.body, tree.root, view.ctx);
  }

  function makeView(id, title) {
    const view = { id, version: -1, fetching: false, again: false, queue: Promise.resolve() };
    view.panel = document.createElement('article');
    view.panel.className = 'view';
    view.panel.dataset.view = String(id);
    const head = document.createElement('div');
    head.className = 'view-head';
    view.heading = document.createElement('h3');
    view.heading.id = `view-${id}-title`;
    view.heading.textContent = title;
    view.panel.setAttribute('aria-labelledby', view.heading.id);
    view.close = document.createElement('button');
    view.close.type = 'button';
    view.close.textContent = 'Close';
    view.close.addEventListener('click', () => deleteJson(`/api/views/${id}`).then(() => remove(id), warn));
    head.append(view.heading, view.close);
    view.body = document.createElement('div');
    view.body.className = 'view-body';
    view.panel.append(head, view.body);
    // Actions go one batch at a time, in order; each answer names the version that shows its effect.
    const post = (actions) => postJson(`/api/views/${id}/events`, actions).then(({ version }) => {
      if (version > view.version) fetchTree(view);
    });
    const send = (actions) => {
      view.queue = view.queue.then(() => post(actions)).catch(warn);
      return view.queue;
    };
    const drag = {
      control: null,
      pos: null,
      queued: false,
      start(control, pos) {
        Object.assign(drag, { control, pos });
      },
      track() {
        if (drag.queued) return;  // The queued move sends the newest position when its turn comes.
        drag.queued = true;
        view.queue = view.queue.then(() => {
          drag.queued = false;
          return post([{ control: drag.control, scroll: 'thumbtrack', pos: drag.pos }]);
        }).catch(warn);
      },
      release() {
        const { control, pos } = drag;
        send([{ control, scroll: 'thumbtrack', pos }, { control, scroll: 'thumbposition', pos },
          { control, scroll: 'endscroll' }]).then(() => {
          if (drag.control === control) drag.control = null;
          fetchTree(view);
        });
      },
    };
    view.ctx = { elements: new Map(), send, drag };
    return view;
  }

  function remove(id) {
    views.get(id)?.panel.remove();
    views.delete(id);
    placeholder.hidden = views.size > 0;
  }

  async function open(template) {
    const body = { template: template.name };
    if (state.selected && !kSonarWide.has(template.name)) {
      body.attributes = [{ DataId: { datainfo: { id: keyToId(state.selected), a: 65535, b: 65535 } } }];
    }
    const { id } = await postJson('/api/views', body);
    await reload();
    views.get(id)?.panel.scrollIntoView({ block: 'nearest' });
  }

  // The templates and the open views as the host has them now.
  async function reload() {
    const [registered, open_] = await Promise.all([getJson('/api/templates'), getJson('/api/views')]);
    templates.replaceChildren(...registered.map((template) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = templateName(template);
      button.addEventListener('click', () => open(template).catch(warn));
      return button;
    }));
    const ids = new Set(open_.map((entry) => entry.id));
    for (const id of [...views.keys()]) if (!ids.has(id)) remove(id);
    for (const entry of open_) {
      if (!views.has(entry.id)) {
        const view = makeView(entry.id, entry.title);
        views.set(entry.id, view);
        container.append(view.panel);
      }
    }
    placeholder.hidden = views.size > 0;
    await Promise.all([...views.values()].map(fetchTree));
  }

  let reloading = null;
  function changed(event) {
    if (event.closed) {
      remove(event.id);
    } else if (!views.has(event.id)) {
      reloading ??= reload().catch(warn).finally(() => (reloading = null));
    } else if (event.version > views.get(event.id).version) {
      fetchTree(views.get(event.id));
    }
  }

  return { reload, changed };
}
