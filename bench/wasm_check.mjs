// What the checker for web pages costs: the module's size as shipped
// (bytes, gzip -9, inlined as base64) and the time of a check, in Node.js
// and in Debian's chromium (headless, puppeteer-core from tests/browser).
// Each figure is the median of 7 repetitions of N calls, per call.
//   node bench/wasm_check.mjs DIST [N]       DIST as scripts/build-wasm wrote it
// With N small (10) it only shows that every case runs.
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { gzipSync } from 'node:zlib';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [distArgument, countText = '20000'] = process.argv.slice(2);
if (!distArgument) {
  console.error('usage: wasm_check.mjs DIST [N]');
  process.exit(2);
}
const dist = resolve(distArgument);
const count = Number(countText);

// The cases, run the same way in both places: a function of the package's
// global and the number of calls, returning nanoseconds per call.
const cases = {
  typed_valid: ['checkText', 'M:TZ38D-4U9R4-8BY5S-NH4HW'],
  typed_typo: ['checkText', 'M:TZ38D-4U9R4-8BY5S-NH4HX'],
  typed_no_break_space: ['checkText', 'H:MTQDV\u00a09FLM9-88N4U-S8J97'],
  pasted_allid_3_lines: ['checkLines',
    'H:MTQDV-9FLM9-88N4U-S8J97\nM:TZ38D-4U9R4-8BY5S-NH4HW\nI:LFTYK-6QHYC-4FL4Q-Y7SJU\n'],
};

function measure(api, call, input, n) {
  const runs = [];
  for (let r = 0; r < 7; r++) {
    const start = performance.now();
    for (let i = 0; i < n; i++) api[call](input);
    runs.push(((performance.now() - start) * 1e6) / n);
  }
  runs.sort((a, b) => a - b);
  return runs[3];
}

const wasm = readFileSync(join(dist, 'vesk-hostid-check.wasm'));
const script = readFileSync(join(dist, 'portal', 'vesk-hostid.js'));
console.log('size                                 bytes');
console.log(`module (.wasm)                     ${String(wasm.length).padStart(7)}`);
console.log(`module, gzip -9                    ${String(gzipSync(wasm, { level: 9 }).length).padStart(7)}`);
console.log(`module as base64                   ${String(Buffer.from(wasm).toString('base64').length).padStart(7)}`);
console.log(`whole classic script (vesk-hostid.js)${String(script.length).padStart(5)}`);
console.log(`whole classic script, gzip -9      ${String(gzipSync(script, { level: 9 }).length).padStart(7)}`);

// Node: the package's classic script's twin, the ES module of the package.
const api = await import(pathToFileURL(join(resolve('build/wasm/package'), 'node.js')));
const first = performance.now();
api.checkText('');
const instantiate = performance.now() - first;
console.log(`\nnode ${process.version}: first call (module compiled and instantiated) ${(instantiate * 1000).toFixed(0)} µs`);
console.log('case                          ns per call');
for (const [name, [call, input]] of Object.entries(cases)) {
  console.log(`${name.padEnd(30)}${measure(api, call, input, count).toFixed(0).padStart(8)}`);
}

// chromium, through puppeteer-core installed by tests/browser's lockfile.
const require = createRequire(pathToFileURL(resolve('tests/browser/package.json')));
const puppeteer = require('puppeteer-core');
const profile = mkdtempSync(join(tmpdir(), 'vesk-bench-'));
const browser = await puppeteer.launch({
  executablePath: process.env.VESK_CHROMIUM ?? '/usr/bin/chromium', headless: true,
  userDataDir: profile,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(dist, 'portal', 'index.html')).href, { waitUntil: 'load' });
  const version = await browser.version();
  console.log(`\n${version} (the portal page, from a file)`);
  console.log('case                          ns per call');
  for (const [name, [call, input]] of Object.entries(cases)) {
    const ns = await page.evaluate(`(${measure.toString()})(window.VeskHostId, ${JSON.stringify(call)}, ${JSON.stringify(input)}, ${count})`);
    console.log(`${name.padEnd(30)}${ns.toFixed(0).padStart(8)}`);
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
