// Measures the page with big songs in headless Chromium (a script, not a
// test: the figures depend on the machine):
// - the time from choosing a 10 MB song to its conversion shown;
// - the tab's memory with it open: the page's renderer process, its worker
//   included (its private memory, as Chromium's task manager counts it, and
//   its resident size);
// - while typing in a 1 MB song, the longest task that blocks the page
//   (the Long Tasks API);
// - at that song's end, the time to the keys offered after "(KY", and to a
//   syllable's hover.
//   node test/scale.mjs [SITE]   (default build-web/site)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const site = path.resolve(process.argv[2] || path.join(import.meta.dirname, '../../build-web/site'));
const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sylvo-scale-'));

// A song of about `size` bytes: Shift-JIS comments, CR LF, dense lyrics.
function song(size) {
  const verse = Buffer.from('A l8 o4 (KA)c (SA)d (HI)e4 (KYA)f+8. (N)g4 r8 (@I2KI)a\r\n; \x89\xcc\x82\xcc\x8e\x8c (verse)\r\n', 'latin1');
  const head = Buffer.from('#TITLE scale\r\n#SYLVO\r\n#SYLVO_VSET_ALL 1\r\n', 'latin1');
  return Buffer.concat([head, ...Array(Math.ceil(size / verse.length)).fill(verse)]);
}

// The page's renderer: the renderer process with the most private memory
// (the others are Chromium's spares).
function tabMemory() {
  let most = { private: 0, resident: 0 };
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      const cmd = fs.readFileSync(`/proc/${pid}/cmdline`, 'latin1');
      if (!cmd.includes('chromium') || !cmd.includes('--type=renderer')) continue;
      const m = fs.readFileSync(`/proc/${pid}/smaps_rollup`, 'latin1');
      const kb = (name) => Number(new RegExp(`${name}:\\s+(\\d+)`).exec(m)[1]) * 1024;
      const mine = { private: kb('Private_Clean') + kb('Private_Dirty'), resident: kb('Rss') };
      if (mine.private > most.private) most = mine;
    } catch (e) { /* gone */ }
  }
  return most;
}

const browser = await chromium.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
                                        args: ['--no-sandbox', '--disable-gpu'] });
const mb = (n) => `${(n / 1048576).toFixed(0)} MB`;

async function openSong(size) {
  const file = path.join(dir, `song-${size}.mml`);
  fs.writeFileSync(file, song(size));
  const page = await browser.newPage({ viewport: { width: 1280, height: 900 } });
  await page.goto(`file://${site}/index.html`);
  await page.waitForFunction(() => document.querySelector('#keys button'));
  const start = Date.now();
  await page.setInputFiles('#file', file);
  await page.waitForFunction(() => document.getElementById('status').textContent.includes('completed'),
                             null, { timeout: 120000 });
  return { page, seconds: (Date.now() - start) / 1000 };
}

const big = await openSong(10 * 1048576);
await big.page.waitForTimeout(1000);
const memory = tabMemory();
console.log(`10 MB song: opened and converted in ${big.seconds.toFixed(2)} s; ` +
            `tab memory ${mb(memory.private)} private, ${mb(memory.resident)} resident`);
await big.page.close();

const one = await openSong(1048576);
await one.page.evaluate(() => {
  window.longest = 0;
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) window.longest = Math.max(window.longest, e.duration);
  }).observe({ type: 'longtask' });
});
await one.page.click('#input .cm-content');
for (let i = 0; i < 3; ++i) await one.page.keyboard.press('PageDown');
for (const key of '(KA)c8 (SHI)d4 ') await one.page.keyboard.type(key, { delay: 80 });
for (let i = 0; i < 5; ++i) await one.page.keyboard.press('Backspace', { delay: 80 });
await one.page.waitForFunction(() => document.getElementById('status').dataset.busy === 'false');
const longest = await one.page.evaluate(() => window.longest);
console.log(`1 MB song: longest task while typing ${longest.toFixed(0)} ms (0: none over 50 ms)` +
            ` (opened in ${one.seconds.toFixed(2)} s)`);

// At the song's end, where the library reads the most to answer: "(KY" typed
// to the keys shown, and the pointer on a syllable to what sylvo writes, each
// timed in the page from the key or the move to the first frame that shows it.
const shownAfter = (selector) => one.page.evaluate((sel) => new Promise((resolve) => {
  const from = performance.now();
  const look = () => (document.querySelector(sel)?.getBoundingClientRect().top > 0
    ? resolve(performance.now() - from) : requestAnimationFrame(look));
  look();
}), selector);
await one.page.keyboard.press('Control+End');
await one.page.keyboard.type('(K');
await one.page.keyboard.press('Escape');
await one.page.waitForFunction(() => document.getElementById('status').dataset.busy === 'false');
const keys = shownAfter('.cm-tooltip-autocomplete li');
await one.page.keyboard.type('Y');
const completing = await keys;
await one.page.keyboard.press('Escape');
await one.page.mouse.move(0, 0);
await one.page.waitForFunction(() => document.getElementById('status').dataset.busy === 'false');
const box = await one.page.locator('#input .cm-sy-key >> nth=-1').boundingBox();
const hovering = shownAfter('.sy-hover');
await one.page.mouse.move(box.x + 3, box.y + 5);
console.log(`1 MB song, at its end: keys shown ${completing.toFixed(0)} ms ` +
            `after the Y of "(KY"; a syllable's hover ${(await hovering).toFixed(0)} ms after the pointer came ` +
            "(300 of them CodeMirror's wait for the pointer to rest)");

// Opened from a folder, the dictionary's worker may load no file: the page
// loads the dictionary's script and hands its files over.
const started = Date.now();
const read = await one.page.evaluate(() => window.sylvo.readLyrics('春の小川', {}));
if (read.keys.join(' ') !== 'HA RU NO O GA WA') throw new Error(`the page read ${read.keys} from a folder`);
console.log(`the dictionary, opened from a folder: ready for the first kanji in ${((Date.now() - started) / 1000).toFixed(2)} s`);
await browser.close();
fs.rmSync(dir, { recursive: true });
