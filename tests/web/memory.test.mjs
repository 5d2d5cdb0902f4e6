// The operator's memory in the web front end: two operators on one host (the embedded default) see each
// other's changes in the history under their names, a saved profile brings a changed range back, and a
// sonar that lost its settings is offered back to both until one of them restores it. The host is this
// file's own, since the sonar is power-cycled.

import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { attribute, launchBrowser, openPage, startHost, waitFor } from './fixture.mjs';

const problems = [];
let host;
let browser;

before(async () => {
  [host, browser] = await Promise.all([startHost(), launchBrowser()]);
});

after(async () => {
  await browser?.close();
  await host?.stop();
});

async function operatorPage(name) {
  const page = await openPage(browser, host.base, problems);
  await page.getByRole('textbox', { name: 'Operator name' }).fill(name);
  await page.getByRole('button', { name: 'Use name' }).click();
  await page.getByText(`Operator: ${name}`).waitFor({ timeout: 15000 });
  return page;
}

const shown = (locator) => locator.isVisible().catch(() => false);

test('two operators share the history, a profile brings the range back, a restore is offered to both', { timeout: 90000 },
  async () => {
    const bridge = await operatorPage('Åsa Nygård');
    const office = await operatorPage('Survey office');
    await bridge.getByRole('button', { name: /Survey Vessel/ }).click();
    await bridge.getByRole('heading', { name: 'Profiles of Survey Vessel' }).waitFor({ timeout: 15000 });
    await bridge.getByRole('textbox', { name: 'Profile name' }).fill('Harbour');
    await bridge.getByRole('button', { name: 'Save profile' }).click();
    await bridge.getByRole('row', { name: /^Harbour / }).waitFor({ timeout: 15000 });

    // The range bar's End key sends the longest range through the view.
    await bridge.getByRole('button', { name: 'Sonar configuration' }).click();
    const range = bridge.getByRole('slider', { name: 'Range' });
    await waitFor('the view bound to the sonar', async () => Number(await range.getAttribute('aria-valuemax')) > 0);
    await range.focus();
    await bridge.keyboard.press('End');
    const entry = office.getByRole('table', { name: /every sonar/ }).getByRole('row')
      .filter({ hasText: 'ZqRange' }).filter({ hasText: '(Åsa Nygård)' }).first();
    await waitFor('the change in the other browser\'s history', () => shown(entry));
    assert.match(await entry.textContent(), /Survey Vessel.*view/);
    // A range beyond the sonar's limit: the value it kept is marked in the history.
    await host.api('/devices/1.78.1.1/request', { method: 'POST', body: '[{"ZqRange": {"double": 900.0}}]' });
    const clamped = office.getByRole('row').filter({ hasText: /ZqRange.*900.*500 clamped/ });
    await waitFor('the clamped range in the history', () => shown(clamped));

    await bridge.getByRole('button', { name: 'Compare "Harbour"' }).click();
    const differs = bridge.getByRole('table', { name: /"Harbour" differs/ }).getByRole('row', { name: /^ZqRange / });
    await waitFor('the range in the comparison', () => shown(differs));
    const saved = await differs.locator('td').first().textContent();
    await bridge.getByRole('button', { name: 'Apply "Harbour"' }).click();
    await waitFor('the sonar back at the profile', () => shown(bridge.getByText('The sonar\'s settings match "Harbour".')));
    assert.equal(String(attribute(await host.api('/devices/1.78.1.1/attributes'), 'ZqRange')), saved);

    await host.api('/simulated/1.78.1.1/faults', { method: 'POST', body: '{"powerCycle": true}' });
    const offers = [bridge, office].map((page) => page.getByRole('region', { name: /Survey Vessel came back/ }));
    for (const offer of offers) await waitFor('the restore offer', () => shown(offer));
    await offers[1].getByRole('button', { name: 'Restore settings' }).click();
    for (const offer of offers) await waitFor('the offer gone', async () => (await offer.count()) === 0);
  });

test('typed values, operator names and streamed history entries are taken as the operator expects', async () => {
  const page = await openPage(browser, host.base, problems);
  const values = [[{ double: 120.0 }, '120'], [{ double: 0.25 }, '0.25'], [{ int: 1 }, '1'], [{ bool: true }, 'true'],
    [{ text: 'abc' }, 'abc'], [{ double2d: [1, -2.5] }, '1, -2.5'], [{ double: 'NaN' }, 'NaN'], [null, '—']];
  const names = [['Ann', true], ['Åsa Nygård', true], ['', false], ['a'.repeat(64), true], ['a'.repeat(65), false],
    ['🛥'.repeat(64), true], ['tab\there', false], ['next line\u0085', false]];
  const seen = await page.evaluate(async ([typed, named]) => {
    const { showValue } = await import('/js/values.js');
    const { operatorNameProblem } = await import('/js/operator.js');
    const { addHistoryEntry } = await import('/js/history.js');
    const state = { history: { entries: [], device: null, load: null } };
    const add = (seq, device, confirmed = null) => addHistoryEntry(state, { seq, device, confirmed });
    const shownSeqs = () => state.history.entries.map((e) => `${e.seq}${e.confirmed ? ' confirmed' : ''}`);
    add(1, 'A');
    add(2, 'B');
    add(1, 'A', { double: 50 });
    add(1, 'A');  // an unconfirmed copy arriving late changes nothing
    const merged = shownSeqs();
    state.history.device = 'A';
    add(3, 'B');
    for (let seq = 4; seq <= 203; ++seq) add(seq, 'A');
    const bounded = [state.history.entries.length, state.history.entries[0].seq, state.history.entries.at(-1).seq];
    return { shown: typed.map(([value]) => showValue(value)), valid: named.map(([name]) => operatorNameProblem(name) === ''),
      merged, bounded };
  }, [values, names]);
  assert.deepEqual(seen.shown, values.map(([, text]) => text));
  assert.deepEqual(seen.valid, names.map(([, valid]) => valid));
  assert.deepEqual(seen.merged, ['2', '1 confirmed']);
  assert.deepEqual(seen.bounded, [200, 203, 4]);
  await page.context().close();
  assert.deepEqual(problems, []);
});
