// Day and night palettes: the night one dims the page and shifts it to red, as a ship's bridge needs
// after dark. The choice is one attribute on <html> (the CSS swaps its variables) and is remembered.

const kStorageKey = 'tavrin.palette';

export function initPalette(button) {
  const apply = (palette) => {
    document.documentElement.dataset.palette = palette;
    button.setAttribute('aria-pressed', String(palette === 'night'));
    button.textContent = palette === 'night' ? 'Day palette' : 'Night palette';
    try {
      localStorage.setItem(kStorageKey, palette);
    } catch {
      // A browser without storage simply forgets the choice.
    }
  };
  let stored = null;
  try {
    stored = localStorage.getItem(kStorageKey);
  } catch {
    stored = null;
  }
  apply(stored === 'night' ? 'night' : 'day');
  button.addEventListener('click', () => {
    apply(document.documentElement.dataset.palette === 'night' ? 'day' : 'night');
    document.dispatchEvent(new Event('palettechange'));
  });
}

// The current value of a CSS custom property, for drawing on a canvas.
export const cssColour = (name) => getComputedStyle(document.documentElement).getPropertyValue(name).trim();
