// The host's event stream: one EventSource, a banner while the host cannot be reached, and a fresh
// copy of the state each time the stream (re)opens, so that nothing missed while away stays missed.

const kRetryMs = [500, 1000, 2000, 4000];

export function connect({ banner, onOpen, onEvent }) {
  let source = null;
  let failures = 0;
  let retryTimer = 0;

  const showBanner = (shown) => {
    banner.hidden = !shown;
    document.body.classList.toggle('offline', shown);
  };

  const open = () => {
    source = new EventSource('/api/stream');
    source.onopen = () => {
      failures = 0;
      showBanner(false);
      onOpen();
    };
    source.onmessage = (message) => {
      let event;
      try {
        event = JSON.parse(message.data);
      } catch {
        return;  // Not ours to understand; the next event comes anyway.
      }
      onEvent(event);
    };
    source.onerror = () => {
      showBanner(true);
      // The browser retries by itself while the stream is CONNECTING; a CLOSED one (the host
      // answered with an error) is opened again here, a little later each time.
      if (source.readyState === EventSource.CLOSED) {
        source.close();
        clearTimeout(retryTimer);
        retryTimer = setTimeout(open, kRetryMs[Math.min(failures++, kRetryMs.length - 1)]);
      }
    };
  };
  open();
}
