// What the browser tests share: tavrin-host and zq-sonar-sim as child processes (the binaries CTest
// names in TAVRIN_HOST_BINARY and ZQ_SONAR_SIM_BINARY), headless chromium, and bounded waits.

import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

const kStartSeconds = 20;

function required(name) {
  const value = process.env[name];
  if (!value) throw new Error(`${name} must name the binary (ctest sets it)`);
  return value;
}

// Resolves with the first match of pattern in the child's stdout, or rejects when it exits first.
function awaitLine(child, pattern, what) {
  return new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`${what} said nothing matching ${pattern} in ${kStartSeconds} s:\n${text}`)),
      kStartSeconds * 1000);
    child.stdout.on('data', (chunk) => {
      text += chunk;
      const match = text.match(pattern);
      if (match) {
        clearTimeout(timer);
        resolve(match);
      }
    });
    child.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`${what} exited with ${code} before it was ready:\n${text}`));
    });
  });
}

function stopChild(child) {
  if (child.exitCode !== null || child.signalCode !== null) return Promise.resolve();
  return new Promise((resolve) => {
    const timer = setTimeout(() => child.kill('SIGKILL'), 10000);
    child.once('exit', () => {
      clearTimeout(timer);
      resolve();
    });
    child.kill('SIGTERM');
  });
}

// A host with a fresh state folder on port (any free one when 0); config (an object) replaces the
// embedded default.
export async function startHost(config, port = 0) {
  const folder = mkdtempSync(join(tmpdir(), 'tavrin-web-'));
  const args = ['--http', `127.0.0.1:${port}`, '--state', join(folder, 'state'), '--ping-rate-seconds', '0'];
  if (config) {
    writeFileSync(join(folder, 'host.json'), JSON.stringify(config));
    args.push('--config', join(folder, 'host.json'));
  }
  const child = spawn(required('TAVRIN_HOST_BINARY'), args, { stdio: ['ignore', 'pipe', 'inherit'] });
  const [, base] = await awaitLine(child, /API at (http:\/\/\S+)\/api/, 'tavrin-host');
  return {
    base,
    api: async (path, init) => {
      const response = await fetch(`${base}/api${path}`, init);
      return response.json();
    },
    stop: async () => {
      await stopChild(child);
      rmSync(folder, { recursive: true, force: true });
    },
  };
}

// A port that was free a moment ago, for a simulated sonar that must come back on the same one.
export function freePort() {
  return new Promise((resolve, reject) => {
    const server = createServer();
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

export function startSim(port) {
  const child = spawn(required('ZQ_SONAR_SIM_BINARY'), ['--listen', `127.0.0.1:${port}`, '--model', 'shallow'],
    { stdio: ['ignore', 'ignore', 'inherit'] });
  return { stop: () => stopChild(child) };
}

export function launchBrowser() {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

// A page in a fresh context whose errors (page errors, console errors) are collected in problems.
export async function openPage(browser, base, problems, contextOptions = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, ...contextOptions });
  const page = await context.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console error: ${message.text()}`);
  });
  await page.goto(base);
  return page;
}

// Polls check until it returns something truthy; fails after seconds with what it last saw.
export async function waitFor(what, check, seconds = 15) {
  const end = Date.now() + seconds * 1000;
  let last;
  for (;;) {
    last = await check();
    if (last) return last;
    if (Date.now() > end) throw new Error(`${what}: not seen within ${seconds} s`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

// The value of one key of an attribute map ([{"ZqRange": {"double": 50}}, ...]).
export const attribute = (map, key) => {
  const entry = map.find((item) => key in item);
  return entry ? Object.values(entry[key])[0] : undefined;
};
