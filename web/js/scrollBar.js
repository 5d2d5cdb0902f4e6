// A scroll bar drawn as a slider, driven as on the desktop: a drag sends thumbtrack positions while it
// moves and, at release, one batch [last thumbtrack, thumbposition, endscroll]; a click beside the thumb
// pages; arrows, PageUp/PageDown, Home and End send their scroll codes, each press with its endscroll.

const kThumbPixels = 12;

const kKeyCodes = {
  ArrowLeft: 'lineleft',
  ArrowRight: 'lineright',
  PageUp: 'pageleft',
  PageDown: 'pageright',
  Home: 'left',
  End: 'right',
};

export function createScrollBar(send, drag) {
  const bar = document.createElement('div');
  bar.className = 'win win-slider';
  bar.setAttribute('role', 'slider');
  bar.tabIndex = 0;
  const thumb = document.createElement('div');
  thumb.className = 'thumb';
  bar.append(thumb);

  const node = () => bar.windowNode;
  const disabled = () => !node().enabled || node().max <= node().min;
  const keyCode = (key) => {
    const vertical = node().vertical;
    if (key === 'ArrowUp') return vertical ? 'lineleft' : 'lineright';
    if (key === 'ArrowDown') return vertical ? 'lineright' : 'lineleft';
    return kKeyCodes[key];
  };
  // A press goes with its end of scroll in one batch, so that a sonar update between the key going down
  // and coming up cannot put the bar back before the request leaves; a key held down repeats its moves
  // and ends them when it is released.
  let repeated = false;
  bar.addEventListener('keydown', (event) => {
    const code = keyCode(event.key);
    if (!code || disabled()) return;
    event.preventDefault();
    const move = { control: node().id, scroll: code };
    repeated = event.repeat;
    send(event.repeat ? [move] : [move, { control: node().id, scroll: 'endscroll' }]);
  });
  bar.addEventListener('keyup', (event) => {
    if (!keyCode(event.key) || disabled()) return;
    event.preventDefault();
    if (!repeated) return;
    repeated = false;
    send([{ control: node().id, scroll: 'endscroll' }]);
  });

  bar.addEventListener('pointerdown', (event) => {
    if (event.button !== 0 || disabled()) return;
    event.preventDefault();
    bar.focus();
    const { min, max, id, vertical } = node();
    const box = bar.getBoundingClientRect();
    const thumbBox = thumb.getBoundingClientRect();
    const along = (e) => (vertical ? e.clientY : e.clientX);
    const thumbStart = vertical ? thumbBox.top : thumbBox.left;
    const thumbLength = vertical ? thumbBox.height : thumbBox.width;
    if (along(event) < thumbStart || along(event) > thumbStart + thumbLength) {
      const code = along(event) < thumbStart ? 'pageleft' : 'pageright';
      send([{ control: id, scroll: code }, { control: id, scroll: 'endscroll' }]);
      return;
    }
    const grab = along(event) - thumbStart;
    const trackStart = vertical ? box.top : box.left;
    const travel = (vertical ? box.height : box.width) - thumbLength;
    const positionAt = (e) => {
      const fraction = travel > 0 ? (along(e) - grab - trackStart) / travel : 0;
      return Math.round(min + Math.min(1, Math.max(0, fraction)) * (max - min));
    };
    drag.start(id, node().pos);
    bar.classList.add('dragging');
    const move = (e) => {
      const pos = positionAt(e);
      if (pos === drag.pos) return;
      drag.pos = pos;
      placeThumb(bar, { ...node(), pos });
      drag.track(pos);
    };
    const release = (e) => {
      window.removeEventListener('pointermove', move);
      window.removeEventListener('pointerup', release);
      window.removeEventListener('pointercancel', release);
      if (e.type === 'pointerup') move(e);
      bar.classList.remove('dragging');
      drag.release();
    };
    window.addEventListener('pointermove', move);
    window.addEventListener('pointerup', release);
    window.addEventListener('pointercancel', release);
  });
  return bar;
}

// Puts the thumb where pos lies between min and max; page, when the bar has one, sizes the thumb.
export function placeThumb(bar, node) {
  const { min, max, pos, page, vertical } = node;
  const length = vertical ? bar.clientHeight : bar.clientWidth;
  const span = Math.max(0, max - min);
  const thumbLength = page > 0 && span > 0 ? Math.max(kThumbPixels, (length * page) / (span + page)) : kThumbPixels;
  const offset = span > 0 ? ((pos - min) / span) * (length - thumbLength) : 0;
  const thumb = bar.firstChild;
  thumb.style.cssText = vertical
    ? `left:0;right:0;top:${offset}px;height:${thumbLength}px`
    : `top:0;bottom:0;left:${offset}px;width:${thumbLength}px`;
  bar.setAttribute('aria-valuenow', String(pos));
}
