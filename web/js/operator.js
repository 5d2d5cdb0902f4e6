// The operator's name: asked for once, in the header (an inline form, so nothing else on the page waits
// for it), remembered by the browser, changeable from the header, and sent with every API call so that
// the change history says who made each change.

import { setOperator } from './api.js';

const kStorageKey = 'tavrin.operator';
const kMaxCharacters = 64;

// 1 to 64 printable characters, as the host takes them; spaces around the name are dropped.
export function operatorNameProblem(name) {
  const characters = [...name];
  if (characters.length === 0) return 'Type your name.';
  if (characters.length > kMaxCharacters) return `At most ${kMaxCharacters} characters, please.`;
  if (/\p{Cc}/u.test(name)) return 'Only printable characters, please.';
  return '';
}

function remembered() {
  try {
    const name = localStorage.getItem(kStorageKey) ?? '';
    return operatorNameProblem(name) ? '' : name;
  } catch {
    return '';
  }
}

function remember(name) {
  try {
    localStorage.setItem(kStorageKey, name);
  } catch {
    // A browser without storage asks again next time.
  }
}

export function initOperator(form) {
  let name = remembered();
  let editing = !name;
  setOperator(name);

  const draw = () => {
    if (!editing) {
      const shown = document.createElement('span');
      shown.className = 'operator-name';
      shown.textContent = 'Operator: ';
      const strong = document.createElement('strong');
      strong.textContent = name;
      shown.append(strong);
      const change = document.createElement('button');
      change.type = 'button';
      change.textContent = 'Change operator';
      change.addEventListener('click', () => {
        editing = true;
        draw();
        form.querySelector('input').focus();
      });
      form.replaceChildren(shown, change);
      return;
    }
    const label = document.createElement('label');
    label.textContent = 'Operator name ';
    const input = document.createElement('input');
    input.name = 'operator';
    input.autocomplete = 'name';
    input.size = 16;
    input.value = name;
    input.setAttribute('aria-describedby', 'operator-problem');
    label.append(input);
    const use = document.createElement('button');
    use.type = 'submit';
    use.textContent = 'Use name';
    const problem = document.createElement('span');
    problem.id = 'operator-problem';
    problem.className = 'form-error';
    problem.setAttribute('role', 'alert');
    const parts = [label, use];
    if (name) {
      const cancel = document.createElement('button');
      cancel.type = 'button';
      cancel.textContent = 'Cancel';
      cancel.addEventListener('click', () => {
        editing = false;
        draw();
      });
      parts.push(cancel);
    }
    form.replaceChildren(...parts, problem);
  };

  form.addEventListener('submit', (event) => {
    event.preventDefault();
    const input = form.querySelector('input');
    const typed = input.value.trim();
    const problem = operatorNameProblem(typed);
    input.setAttribute('aria-invalid', String(Boolean(problem)));
    form.querySelector('.form-error').textContent = problem;
    if (problem) return;
    name = typed;
    editing = false;
    remember(name);
    setOperator(name);
    draw();
  });
  draw();
}
