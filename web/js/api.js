// Fetch helpers for the host's JSON API. Every answer is JSON; an error answer carries {"error"}.

export class ApiError extends Error {
  constructor(status, message) {
    super(message);
    this.status = status;
  }
}

async function call(method, path, body) {
  const init = { method, headers: {} };
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
