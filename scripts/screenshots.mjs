// Opens the main screens of the web front end in headless chromium, on a host running the embedded
// default, and writes them as PNGs into docs/img/: the day palette, the night palette, a configuration
// view close up, and its Ocean Menu and Data Recording tabs (recording). Run by scripts/screenshots.sh.

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
  if (problems.length) throw new Error(problems.join('\n'));
} finally {
  await browser.close();
  await host.stop();
}
