// The sonars' event log, newest first. The host only streams events, so the log holds what arrived
// while this page was open, up to a bound.

const kMaxEvents = 200;

export function addSonarEvent(state, event) {
  state.events.unshift({ ...event, received: new Date() });
  if (state.events.length > kMaxEvents) state.events.length = kMaxEvents;
}

export function renderEvents(list, state) {
  const rows = state.events.map((event) => {
    const item = document.createElement('li');
    const time = document.createElement('time');
    time.dateTime = event.received.toISOString();
    time.textContent = event.received.toLocaleTimeString();
    const what = document.createElement('span');
    what.className = 'event-what';
    what.textContent = `${event.sonar} · ${event.eventType} #${event.number}`;
    const text = document.createElement('span');
    text.className = 'event-text';
    text.textContent = event.text;
    item.append(time, what, text);
    return item;
  });
  if (rows.length === 0) {
    const empty = document.createElement('li');
    empty.className = 'empty';
    empty.textContent = 'No sonar events since this page opened.';
    rows.push(empty);
  }
  list.replaceChildren(...rows);
}
