// Opens the main screens of the web front end in headless chromium, on a host running the embedded
// default, and writes them as PNGs into docs/img/: the day palette, the night palette, a configuration
// view close up, its Ocean Menu and Data Recording tabs (recording), a System Messages view with a
// board of the shallow sonar in error, on its Events and BITE tabs, and the operator's memory: the change
// history, a profile compared with the sonar, and the offer to restore a sonar's settings after it lost
// power. Run by scripts/screenshots.sh.

import { launchBrowser, openPage, startHost, waitFor } from '../tests/web/fixture.mjs';

const folder = new URL('../docs/img/', import.meta.url).pathname;
const [host, browser] = await Promise.all([startHost(), launchBrowser()]);
try {
  const problems = [];
  const page = await openPage(browser, host.base, problems, { viewport: { width: 1200, height: 900 } });
  await page.getByRole('textbox', { name: 'Operator name' }).fill('Ann');
  await page.getByRole('button', { name: 'Use name' }).click();
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
  await page.getByRole('button', { name: 'Close System Messages' }).click();
  await host.api('/simulated/1.78.1.1/faults', { method: 'POST', body: JSON.stringify({ boards: { TX1: 0 } }) });

  // The operator's memory: a profile saved, changes from the view and from a client of the API (one
  // beyond the sonar's limits, which it clamps), the profile compared with the sonar before applying.
  await page.getByRole('textbox', { name: 'Profile name' }).fill('Harbour survey');
  await page.getByRole('button', { name: 'Save profile' }).click();
  await page.getByRole('row', { name: /^Harbour survey / }).waitFor();
  await page.getByRole('tab', { name: 'Sonar Settings' }).click();
  await range.focus();
  await page.keyboard.press('End');
  const request = (body) => host.api('/devices/1.78.1.1/request', { method: 'POST', body, headers: { 'X-Operator': 'Ben' } });
  await request('[{"ZqPower": {"double": 210.0}}]');
  await request('[{"ZqRange": {"double": 900.0}}]');
  const history = page.locator('#history');
  await waitFor('the clamped range confirmed', () => history.getByText('clamped').first().isVisible(), 20);
  await history.screenshot({ path: `${folder}web-history.png` });
  await page.getByRole('button', { name: 'Compare "Harbour survey"' }).click();
  await page.getByRole('table', { name: /differs/ }).waitFor();
  await page.getByRole('region', { name: /^Profiles of/ }).screenshot({ path: `${folder}web-profiles.png` });
  // The shallow sonar loses power and comes back at its factory settings: the offer heads the page.
  await host.api('/simulated/1.78.1.1/faults', { method: 'POST', body: '{"powerCycle": true}' });
  const offer = page.getByRole('region', { name: /Survey Vessel came back/ });
  await waitFor('the restore offer', () => offer.isVisible(), 20);
  await page.evaluate(() => window.scrollTo(0, 0));
  const bottom = await offer.evaluate((banner) => banner.getBoundingClientRect().bottom);
  await page.screenshot({ path: `${folder}web-restore.png`, clip: { x: 0, y: 0, width: 1200, height: Math.ceil(bottom) + 12 } });
  if (problems.length) throw new Error(problems.join('\n'));
} finally {
  await browser.close();
  await host.stop();
}
