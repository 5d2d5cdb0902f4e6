// Fetch helpers for the host's JSON API. Every answer is JSON; an error answer carries {"error"}. Each
// call names the operator (X-Operator) once they have given their name, for the host's change history.

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

let operatorHeader = null;

// Header values travel as ISO-8859-1 in fetch, and the host reads this one as UTF-8: the name goes as its
// UTF-8 bytes, one character per byte.
export function setOperator(name) {
  operatorHeader = name ? String.fromCharCode(...new TextEncoder().encode(name)) : null;
}

async function call(method, path, body) {
  const init = { method, headers: {} };
  if (operatorHeader) init.headers['X-Operator'] = operatorHeader;
  if (body !== undefined) {
    init.headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  const response = await fetch(path, init);
  const text = await response.text();
  const json = text ? JSON.parse(text) : null;
  if (!response.ok) throw new ApiError(response.status, json?.error ?? response.statusText);
  return json;
}

export const getJson = (path) => call('GET', path);
export const postJson = (path, body) => call('POST', path, body);
export const deleteJson = (path) => call('DELETE', path);

// An attribute map is a list of one-member objects, each a key with a typed value
// ({"ZqRange": {"double": 120}}), or an object of them; this finds the value of one key.
export function attributeValue(map, key) {
  const entries = Array.isArray(map) ? map : Object.entries(map ?? {}).map(([k, v]) => ({ [k]: v }));
  for (const entry of entries) {
    if (key in entry) {
      const typed = entry[key];
      return typed && typeof typed === 'object' ? Object.values(typed)[0] : typed;
    }
  }
  return undefined;
}

// A device key ("1.78.1.1") as the four numbers of a data id.
export const keyToId = (key) => key.split('.').map(Number);
