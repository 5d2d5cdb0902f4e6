// How the host's typed values ({"double": 120}, {"double2d": [1, 2]}, null) and times read to the operator.

export function showValue(typed) {
  if (typed === null || typed === undefined) return '—';
  if (typeof typed !== 'object') return String(typed);
  const [type, value] = Object.entries(typed)[0] ?? [];
  switch (type) {
    case 'double2d':
    case 'ints':
    case 'doubles':
      return value.join(', ');
    case 'datainfo':
      return value.id.join('.');
    case 'map':
      return `${value.length} settings`;
    case undefined:
      return '—';
    default:
      return String(value);  // int, int64, bool, double (also "NaN" and "Infinity"), text
  }
}

// Two typed values hold the same thing when they are written the same (the host writes each one way).
export const sameValue = (a, b) => JSON.stringify(a ?? null) === JSON.stringify(b ?? null);

const twoDigits = (n) => String(n).padStart(2, '0');

// Seconds since the Unix epoch as the local clock shows them: hh:mm:ss, or with the date before.
export function localTime(seconds) {
  const at = new Date(seconds * 1000);
  return `${twoDigits(at.getHours())}:${twoDigits(at.getMinutes())}:${twoDigits(at.getSeconds())}`;
}
export function localDateTime(seconds) {
  const at = new Date(seconds * 1000);
  return `${at.getFullYear()}-${twoDigits(at.getMonth() + 1)}-${twoDigits(at.getDate())} ${localTime(seconds)}`;
}

// A <time> element for seconds since the Unix epoch, its full date in the title.
export function timeElement(seconds, text) {
  const element = document.createElement('time');
  const at = new Date(seconds * 1000);
  element.dateTime = at.toISOString();
  element.title = at.toString();
  element.textContent = text;
  return element;
}
