// Opens the main screens of the web front end in headless chromium, on a host running the embedded
// default, and writes them as PNGs into docs/img/: the day palette, the night palette, a configuration
// view close up, its Ocean Menu and Data Recording tabs (recording), and a System Messages view with a
// board of the shallow sonar in error, on its Events and BITE tabs. Run by scripts/screenshots.sh.

import { launchBrowser, openPage, startHost, waitFor } from '../tests/web/fixture.mjs';

const folder = new URL('../docs/img/', import.meta.url).pathname;
const [host, browser] = await Promise.all([startHost(), launchBrowser()]);
try {
  const problems = [];
  const page = await openPage(browser, host.base, problems, { viewport: { width: 1200, height: 900 } });
  await page.getByRole('button', { name: /Survey Vessel/ }).click();
  await page.getByRole('button', { name: 'Sonar configuration' }).click();
  const range = page.getByRole('slider', { name: 'Range' });
  await waitFor('the view bound to the sonar', async () => Number(await range.getAttribute('aria-valuemax')) > 0);
  // A third of the timeline filled with pings of both sonars, and the link rates.
  await waitFor('pings of both sonars', async () =>
    /Deep sonar (\d+) pings/.exec(await page.locator('#timeline figcaption').first().textContent().catch(() => ''))?.[1] >= 30, 30);
  await waitFor('the link rates', async () => !(await page.locator('#links tbody').textContent()).includes('–'), 10);
  await page.screenshot({ path: `${folder}web-day.png` });
  await page.locator('.view').first().screenshot({ path: `${folder}web-view.png` });
  await page.getByRole('button', { name: 'Night palette' }).click();
  await page.screenshot({ path: `${folder}web-night.png` });
  await page.getByRole('button', { name: 'Day palette' }).click();
  await page.getByRole('tab', { name: 'Ocean Menu' }).click();
  await page.locator('.view').first().screenshot({ path: `${folder}web-ocean.png` });
  await page.getByRole('tab', { name: 'Data Recording' }).click();
  const start = page.getByRole('button', { name: 'Start', exact: true });
  await waitFor('Start enabled', () => start.isEnabled());
  await start.click();
  const size = page.getByRole('textbox', { name: 'File size' });
  await waitFor('a file of some size', async () => /KB|MB/.test(await size.inputValue()), 20);
  await page.locator('.view').first().screenshot({ path: `${folder}web-recording.png` });
  // A transmitter board in error: its sonar's row on the System page and the warning among the events
  // (the view is open before the fault, as the warning goes to the views open when it comes).
  await page.getByRole('button', { name: 'System messages' }).click();
  const messages = page.getByRole('article', { name: 'System Messages' });
  const shown = (list, level) => () => messages.getByRole('grid', { name: list }).getByRole('img', { name: level })
    .first().isVisible();
  await waitFor('the sonar on the System page', shown('Systems', 'OK'));
  await host.api('/simulated/1.78.1.1/faults', { method: 'POST', body: JSON.stringify({ boards: { TX1: 1 } }) });
  await waitFor('the BITE warning', shown('Events', 'Warning'));
  await waitFor('the sonar in error', shown('Systems', 'Error'));
  await messages.screenshot({ path: `${folder}web-messages.png` });
  // Its BITE tab showing errors only: the board's line and the status.
  await messages.getByRole('tab', { name: 'BITE' }).click();
  await messages.getByRole('checkbox', { name: 'Show errors only' }).click();
  await waitFor('only the board in error', async () => {
    const rows = messages.getByRole('grid', { name: 'BITE results' }).locator('tbody tr');
    return (await rows.count()) === 1 && /Uplink Error/.test(await rows.first().textContent());
  });
  await messages.screenshot({ path: `${folder}web-messages-bite.png` });
  if (problems.length) throw new Error(problems.join('\n'));
} finally {
  await browser.close();
  await host.stop();
}
