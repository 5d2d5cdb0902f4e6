// The operator's journeys through the web front end, on one host running the embedded default (two
// simulated sonars in one sonar group) and one headless chromium; the link journey has a host of its
// own with a simulated sonar that the test stops and starts again.

import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';
import { attribute, freePort, launchBrowser, openPage, startHost, startSim, waitFor } from './fixture.mjs';

const problems = [];
let host;
let browser;
let bridge;  // the first operator's page; the survey room's comes in the second journey

before(async () => {
  [host, browser] = await Promise.all([startHost(), launchBrowser()]);
  bridge = await openPage(browser, host.base, problems);
});

after(async () => {
  await browser?.close();
  await host?.stop();
});

// The static text on the slider's row that shows its value ("50.0 m"): the last cell of the row.
const valueLabelOf = (page, slider) => slider.evaluate((bar) => {
  const box = bar.getBoundingClientRect();
  const onRow = [...bar.parentElement.querySelectorAll('.win-static')].filter((label) => {
    const r = label.getBoundingClientRect();
    return !label.hidden && r.left >= box.right - 2 && r.top < box.bottom && r.bottom > box.top;
  });
  return onRow.sort((a, b) => b.getBoundingClientRect().left - a.getBoundingClientRect().left)[0]?.textContent;
});

describe('the operator', { timeout: 60000 }, () => {
  test('drags the range bar of a sonar configuration view and the sonar follows; the tabs switch', async () => {
    await bridge.getByRole('button', { name: /Survey Vessel/ }).click();
    await bridge.getByRole('button', { name: 'Sonar configuration' }).click();
    const range = bridge.getByRole('slider', { name: 'Range' });
    await waitFor('the view bound to the sonar', async () => Number(await range.getAttribute('aria-valuemax')) > 0);
    const before = attribute(await host.api('/devices/1.78.1.1/attributes'), 'ZqRange');
    const max = Number(await range.getAttribute('aria-valuemax'));
    assert.notEqual(Number(await range.getAttribute('aria-valuenow')), max, 'the bar starts short of its end');

    const labelBefore = await valueLabelOf(bridge, range);
    const thumb = range.locator('.thumb');
    const from = await thumb.boundingBox();
    const track = await range.boundingBox();
    await bridge.mouse.move(from.x + from.width / 2, from.y + from.height / 2);
    await bridge.mouse.down();
    for (let step = 1; step <= 5; ++step) {
      await bridge.mouse.move(from.x + ((track.x + track.width + 20 - from.x) * step) / 5, from.y + from.height / 2);
    }
    await bridge.mouse.up();

    // The thumb reaches the end as it is dragged; the value label follows once the sonar has the range.
    const label = await waitFor('the new range on the page', async () => {
      const text = await valueLabelOf(bridge, range);
      return (await range.getAttribute('aria-valuenow')) === String(max) && text !== labelBefore && text;
    });
    const shown = Number.parseFloat(label);
    const stored = await waitFor('the new range in the sonar', async () => {
      const value = attribute(await host.api('/devices/1.78.1.1/attributes'), 'ZqRange');
      return value !== before && value;
    });
    assert.equal(stored, shown, `the page shows ${label}`);
    // A range beyond the sonar's limit: its warning heads the event log.
    await host.api('/devices/1.78.1.1/request', { method: 'POST', body: '[{"ZqRange": {"double": 900.0}}]' });
    await waitFor('the sonar\'s warning in the event log', async () =>
      /clamped to 500\.0/.test(await bridge.locator('#events li').first().textContent({ timeout: 1000 }).catch(() => '')));

    // Recording on the sonar from the Data Recording tab: its state and its growing file on the page.
    await bridge.getByRole('tab', { name: 'Data Recording' }).click();
    const start = bridge.getByRole('button', { name: 'Start', exact: true });
    await waitFor('Start enabled', () => start.isEnabled());
    await start.click();
    const mode = bridge.getByRole('textbox', { name: 'Recording mode' });
    const size = bridge.getByRole('textbox', { name: 'File size' });
    await waitFor('the sonar recording', async () => (await mode.inputValue()) === 'Recording');
    await waitFor('its file growing', async () => /^[1-9][\d.]* (B|KB|MB)$/.test(await size.inputValue()));
    const stop = bridge.getByRole('button', { name: 'Stop', exact: true });
    await waitFor('Stop enabled', () => stop.isEnabled());
    await stop.click();
    await waitFor('the sonar stopped', async () => (await mode.inputValue()) === 'Stopped');

    const ocean = bridge.getByRole('tab', { name: 'Ocean Menu' });
    await ocean.click();
    await waitFor('the Ocean Menu tab chosen', async () => (await ocean.getAttribute('aria-selected')) === 'true');
    await bridge.getByRole('slider', { name: 'Absorption' }).waitFor({ state: 'visible', timeout: 5000 });
    await range.waitFor({ state: 'hidden', timeout: 5000 });
    await bridge.getByRole('tab', { name: 'Sonar Settings' }).click();
    await range.waitFor({ state: 'visible', timeout: 5000 });
  });

  test('two operators see each other\'s changes', async (t) => {
    const surveyRoom = await openPage(browser, host.base, problems);
    const theirs = surveyRoom.getByRole('slider', { name: 'Range' });
    const ours = bridge.getByRole('slider', { name: 'Range' });
    await waitFor('the open view in the second browser', async () =>
      (await theirs.getAttribute('aria-valuenow')) === (await ours.getAttribute('aria-valuenow')));
    const was = Number(await ours.getAttribute('aria-valuenow'));
    await theirs.focus();
    const pressed = Date.now();
    await surveyRoom.keyboard.press('Home');
    // Watched in the page itself, frame by frame, so that the time it took can be told.
    await bridge.waitForFunction((before) => {
      const slider = [...document.querySelectorAll('[role=slider]')].find((s) => s.getAttribute('aria-label') === 'Range');
      return slider && Number(slider.getAttribute('aria-valuenow')) < before;
    }, was, { polling: 'raf', timeout: 15000 });
    t.diagnostic(`the other browser showed the key press ${Date.now() - pressed} ms after it`);

    await bridge.getByRole('tab', { name: 'Data Recording' }).click();
    await waitFor('the tab chosen by the other operator', async () =>
      (await surveyRoom.getByRole('tab', { name: 'Data Recording' }).getAttribute('aria-selected')) === 'true');
    await bridge.getByRole('tab', { name: 'Sonar Settings' }).click();
    await surveyRoom.context().close();
  });

  test('the timeline shows the sonars of the group taking turns without overlaps', async () => {
    const caption = bridge.locator('#timeline figcaption').first();
    const text = await waitFor('pings of both sonars', async () => {
      const shown = (await caption.count()) ? await caption.textContent() : '';
      return /Survey Vessel (\d+) pings/.exec(shown)?.[1] >= 2 && /Deep sonar (\d+) pings/.exec(shown)?.[1] >= 2 && shown;
    }, 30);
    assert.match(text, /^Group 1: .*; taking turns; no overlaps$/);
    const colours = await bridge.evaluate(() => {
      const canvas = document.querySelector('#timeline canvas');
      const probe = document.createElement('canvas').getContext('2d');
      const rgb = (name) => {
        probe.fillStyle = getComputedStyle(document.documentElement).getPropertyValue(name).trim();
        probe.fillRect(0, 0, 1, 1);
        return [...probe.getImageData(0, 0, 1, 1).data.slice(0, 3)];
      };
      const [overlap, ping] = [rgb('--overlap'), rgb('--ping')];
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      const count = (colour) => {
        let n = 0;
        for (let i = 0; i < pixels.length; i += 4) {
          if (colour.every((value, c) => Math.abs(pixels[i + c] - value) < 8)) ++n;
        }
        return n;
      };
      return { overlap: count(overlap), ping: count(ping) };
    });
    assert.equal(colours.overlap, 0, 'no pixel in the overlap colour');
    assert.ok(colours.ping > 0, 'pings are drawn');
  });

  test('a link that drops shows as down and recovers, and so does the host', async () => {
    const port = await freePort();
    const hostPort = await freePort();
    let sim = startSim(port);
    const config = {
      vessels: [{ number: 1, name: 'Test Vessel' }],
      devices: [{
        type: 'KavoSonarConfigurationControlDevice', name: 'Linked sonar', dataId: [1, 78, 1, 1], deviceEnum: 0,
        attributes: [{ DeviceEnum: { int: 0 } }, { DeviceId: { int: 7000 } }],
        link: { address: `127.0.0.1:${port}`, heads: [{ deviceEnum: 0, deviceId: 7000 }] },
      }],
    };
    let linked = await startHost(config, hostPort);
    try {
      const page = await openPage(browser, linked.base, problems);
      const row = page.locator('#links tbody tr', { hasText: 'Linked sonar' });
      const linkCell = row.locator('td').first();
      const seen = (what, pattern) => waitFor(what, async () => (await row.count()) && pattern.test(await linkCell.textContent()), 20);
      await seen('the link up', /^connected$/);
      await sim.stop();
      await seen('the link down', /^down/);
      assert.match(await page.getByRole('button', { name: /Linked sonar/ }).textContent(), /down/);
      sim = startSim(port);
      await seen('the link up again', /^connected$/);
      assert.match(await row.locator('td').nth(1).textContent(), /^2 \/ 1$/);
      // The host goes away: the page says so, and comes back with it by itself.
      const banner = page.locator('#banner');
      await linked.stop();
      await waitFor('the banner', () => banner.isVisible());
      linked = await startHost(config, hostPort);
      await waitFor('the banner gone', async () => !(await banner.isVisible()), 20);
      await seen('the link up on the host that came back', /^connected$/);
      await page.context().close();
    } finally {
      await sim.stop();
      await linked.stop();
    }
  });

  test('a board in error shows on the System Messages view and clears when the board recovers', async () => {
    const switchBoard = (flags) => host.api('/simulated/1.78.1.1/faults',
      { method: 'POST', body: JSON.stringify({ boards: { TX1: flags } }) });
    const view = bridge.getByRole('article', { name: 'System Messages' });
    // The level icon's text of the first row matching name in the named list; null while there is none.
    const levelOf = (list, name) => view.getByRole('grid', { name: list }).getByRole('row', { name }).first()
      .getByRole('img').getAttribute('aria-label', { timeout: 1000 }).catch(() => null);
    const seen = (what, list, name, level) => waitFor(what, async () => (await levelOf(list, name)) === level);
    await bridge.getByRole('button', { name: 'System messages' }).click();
    await seen('the sonar on the System page', 'Systems', /Survey Vessel/, 'OK');
    try {
      await switchBoard(1);
      await seen('the sonar in error', 'Systems', /Survey Vessel/, 'Error');
      await view.getByRole('row', { name: /Survey Vessel/ }).click();
      await waitFor('the sonar\'s row chosen', async () =>
        (await view.getByRole('row', { name: /Survey Vessel/ }).getAttribute('aria-selected')) === 'true');

      await view.getByRole('tab', { name: 'BITE' }).click();
      await seen('the board\'s BITE line in error', 'BITE results', /Uplink Error/, 'Error');
      await waitFor('the BITE status', () => view.locator('.win-static').filter({ hasText: /^Error$/ }).isVisible());
      await view.getByRole('tab', { name: 'Events' }).click();
      await seen('the BITE warning', 'Events', /WARNING: BITE/, 'Warning');

      await switchBoard(0);
      await seen('the sonar OK again', 'Systems', /Survey Vessel/, 'OK');
    } finally {
      await switchBoard(0);
    }
  });

  test('every control has a name, the page works at 200 % zoom, and nothing went wrong', async () => {
    const snapshot = await bridge.locator('body').ariaSnapshot();
    const unnamed = snapshot.split('\n').filter((line) =>
      /^\s*- (slider|combobox|grid|tab|button|checkbox|radio)\b/.test(line) && !/"[^"]+"/.test(line));
    assert.deepEqual(unnamed, [], 'controls without a name');
    for (const [role, name] of [['slider', 'Power'], ['combobox', 'Frequency'], ['tab', 'Ocean Menu'],
      ['button', 'Sonar configuration'], ['button', 'Night palette']]) {
      assert.equal(await bridge.getByRole(role, { name }).count(), 1, `${role} "${name}"`);
    }

    const zoomed = await openPage(browser, host.base, problems, { viewport: { width: 640, height: 400 }, deviceScaleFactor: 2 });
    for (const name of ['Range', 'Vertical steering']) {
      await zoomed.getByRole('slider', { name }).click({ trial: true, timeout: 10000 });
    }
    await zoomed.getByRole('tab', { name: 'Data Recording' }).click({ trial: true, timeout: 10000 });
    await zoomed.getByRole('button', { name: 'Night palette' }).click();
    await zoomed.reload();
    assert.equal(await zoomed.evaluate(() => document.documentElement.dataset.palette), 'night', 'the palette is remembered');
    await zoomed.context().close();

    assert.deepEqual(problems, []);
  });
});
