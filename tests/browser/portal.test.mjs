// The licence-portal page (examples/portal, as scripts/build-wasm writes it)
// in Debian's chromium, headless, driven by puppeteer-core with the system
// browser: nothing is downloaded.  The page is opened from a file and from a
// static server on loopback; a valid block typed at the keyboard is all
// accepted, a typo marks its group, a pasted non-breaking space gets the
// caret; a screenshot of each state is kept in VESK_ARTIFACTS.
//   VESK_PORTAL=dist/portal VESK_ARTIFACTS=build/artifacts node --test portal.test.mjs
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

import puppeteer from 'puppeteer-core';

const portal = resolve(process.env.VESK_PORTAL ?? '');
const artifacts = resolve(process.env.VESK_ARTIFACTS ?? 'artifacts');
const browserPath = process.env.VESK_CHROMIUM ?? '/usr/bin/chromium';
assert.ok(process.env.VESK_PORTAL, 'VESK_PORTAL names the built page (scripts/build-wasm writes dist/portal)');
mkdirSync(artifacts, { recursive: true });

const VOLUME = 'H:MTQDV-9FLM9-88N4U-S8J97';
const ADAPTER = 'M:TZ38D-4U9R4-8BY5S-NH4HW';
const ADDRESS = 'I:LFTYK-6QHYC-4FL4Q-Y7SJU';

let browser;
let server;
let profile;
const origins = {};

before(async () => {
  profile = mkdtempSync(join(tmpdir(), 'vesk-chromium-'));
  // Headless, no sandbox (CI runs as root), and nothing that reaches for the
  // network on its own: this machine's network is closed.
  browser = await puppeteer.launch({
    executablePath: browserPath,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' };
  server = createServer((request, response) => {
    const name = new URL(request.url, 'http://localhost').pathname.replace(/^\/$/, '/index.html');
    try {
      const body = readFileSync(join(portal, name.replace(/\.\./g, '')));
      response.writeHead(200, { 'content-type': types[extname(name)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  origins.server = `http://127.0.0.1:${server.address().port}/`;
  origins.file = pathToFileURL(join(portal, 'index.html')).href;
});

after(async () => {
  await browser?.close();
  server?.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

async function open(origin) {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('requestfailed', (r) => errors.push(`${r.url()}: ${r.failure()?.errorText}`));
  await page.goto(origins[origin], { waitUntil: 'load' });
  page.errors = errors;
  return page;
}

async function lines(page) {
  return page.$$eval('#lines li', (items) => items.map((li) => ({
    state: li.className, kind: li.dataset.kind ?? null, fault: li.dataset.fault ?? null,
    group: li.dataset.group ?? null, position: li.dataset.position ?? null, text: li.textContent,
  })));
}

for (const origin of ['file', 'server']) {
  test(`from a ${origin}: a valid block typed at the keyboard is all accepted`, async () => {
    const page = await open(origin);
    // The textarea is the first stop of the keyboard.
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'identifiers');
    await page.keyboard.type(`${VOLUME}\n${ADAPTER.toLowerCase()}\n\n${ADDRESS}\n`);
    const got = await lines(page);
    assert.deepEqual(got.map((l) => [l.state, l.kind]),
      [['accepted', 'H'], ['accepted', 'M'], ['accepted', 'I']]);
    assert.match(got[0].text, /the volume's serial number/);
    assert.match(got[1].text, /M:TZ38D-4U9R4-8BY5S-NH4HW, a network adapter's address/);
    assert.equal(await page.$eval('#summary', (e) => e.textContent), '3 accepted, 0 refused.');
    assert.equal(await page.$eval('#send', (e) => e.disabled), false);
    // The button is reached by the keyboard next, and sends.
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'send');
    await page.keyboard.press('Enter');
    assert.match(await page.$eval('#summary', (e) => e.textContent), /Every line is an identifier/);
    await page.screenshot({ path: join(artifacts, `portal-valid-${origin}.png`), fullPage: true });
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

test('a typo marks the group whose check character fails', async () => {
  const page = await open('file');
  await page.focus('#identifiers');
  await page.keyboard.type(`${VOLUME}\nM:TZ38D-4U9R4-8BY5S-NH4HX`);
  const [volume, typo] = await lines(page);
  assert.equal(volume.state, 'accepted');
  assert.deepEqual([typo.state, typo.fault, typo.group, typo.position], ['refused', 'check', '4', '24']);
  const group = await page.$eval('#lines li.refused mark.group', (m) => [m.dataset.group, m.textContent]);
  assert.deepEqual(group, ['4', 'NH4HX']);
  assert.equal(await page.$eval('#lines li.refused mark.fault', (m) => m.textContent), 'X');
  assert.match(typo.text, /check character does not match/);
  assert.equal(await page.$eval('#send', (e) => e.disabled), true);
  await page.screenshot({ path: join(artifacts, 'portal-typo.png'), fullPage: true });
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a pasted non-breaking space gets the caret under it', async () => {
  const page = await open('server');
  const pasted = `${ADAPTER}\r\nH:MTQDV\u00a09FLM9-88N4U-S8J97\r\n`;
  // As a paste arrives: the whole text at once, then one input event.
  await page.$eval('#identifiers', (area, text) => {
    area.focus();
    document.execCommand('insertText', false, text);
  }, pasted);
  const [adapter, volume] = await lines(page);
  assert.equal(adapter.state, 'accepted');
  assert.deepEqual([volume.state, volume.fault, volume.group, volume.position],
    ['refused', 'character', '1', '7']);
  const fault = await page.$eval('#lines li.refused mark.fault',
    (m) => [m.dataset.position, m.title, m.closest('mark.group')?.dataset.group ?? null]);
  assert.deepEqual(fault, ['7', 'U+00A0', '1']);
  // The caret's column is the character's: seven characters before it.
  const caret = await page.$eval('#lines li.refused .caret', (c) => c.textContent);
  assert.equal(caret, `${' '.repeat(7)}^`);
  assert.match(volume.text, /non-breaking space/);
  await page.screenshot({ path: join(artifacts, 'portal-no-break-space.png'), fullPage: true });
  assert.deepEqual(page.errors, []);
  await page.close();
});
