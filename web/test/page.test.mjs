// The page in headless Chromium, used as a person would: open a file, edit
// it, save it. Every saved input must hold exactly the bytes expected, and
// every saved output what the native sylvo writes for those bytes, with its
// message and name.
//   SYLVO_SITE        the built page (default build-web/site)
//   SYLVO_NATIVE      the native program (default build/sylvo)
//   SYLVO_SCREENSHOT  where to save a screenshot with the example loaded
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

const root = path.resolve(import.meta.dirname, '../..');
const site = path.resolve(process.env.SYLVO_SITE || path.join(root, 'build-web/site'));
const native = path.resolve(process.env.SYLVO_NATIVE || path.join(root, 'build/sylvo'));
const bin = (text) => Buffer.from(text, 'latin1');

// Each class of bytes the page must keep: Shift-JIS with CR LF, 0x00, 0xFF
// and a lead byte with no trail; UTF-8 with a byte-order mark; UTF-8 with
// mixed and lone CR line ends and sequences that are no UTF-8.
const sjis = bin('#TITLE \x92\xa9\x82\xcc\x8eU\x95\xe0\r\n; \xff\x00\x81\r\n#SYLVO\r\nl8 (KA)c (N)d4\r\n; \x89\xcc (KA)c\r\n(KA)c');
const bom = bin('\xef\xbb\xbf#SYLVO\n(KA)c8\n');
const utf8 = bin('; caf\xc3\xa9 \xc3\x28 \xed\xa0\x80 \xf8\x00\xff\r\n#SYLVO\n(KA)c8\r(SA)d4\r\n(KA)c8\n');

// Moves the caret to the end of line `n` (1-based) of the input.
async function lineEnd(page, n) {
  await page.click('#input .cm-content');
  await page.keyboard.press('Control+Home');
  for (let i = 1; i < n; ++i) await page.keyboard.press('ArrowDown');
  await page.keyboard.press('End');
}
const typeAt = (n, text) => async (page) => {
  await lineEnd(page, n);
  await page.keyboard.type(text);
};
// Shows the file as UTF-8 (it has bytes that are no UTF-8, so it is not
// detected as such), then edits it.
const asUtf8 = (edit) => async (page) => {
  await page.selectOption('#encoding', 'utf-8');
  await page.waitForFunction(() => document.getElementById('file-info').textContent.startsWith('UTF-8'));
  await edit(page);
};
const insert = (bytes, at, text) => Buffer.concat([bytes.subarray(0, at), bin(text), bytes.subarray(at)]);

// [file, bytes, what is done, the input bytes that must be saved]
const cases = [
  ['song.mml', fs.readFileSync(path.join(root, 'examples/song.mml'))],
  ['bytes.mml', sjis],
  ['syntax.mml', bin('#SYLVO\n(KA)c8\n\n(KA)x8\n')],
  ['token.mml', bin('#SYLVO\n(KA)c8\n(KX)c8 (N)c\n')],
  ['long.mml', bin('#SYLVO\n' + 'a'.repeat(2048) + '\n')],
  ['lonecr.mml', bin('#SYLVO\r(KA)c8\r\n(KX)c8\n')],
  ['noheader.mml', bin('t120\nc8 d8\n')],
  ['bom.mml', bom],
  ['utf8.mml', utf8],
  ['sjis-typed.mml', sjis, async (page) => {
    await typeAt(2, 'x')(page);
    await page.keyboard.press('Backspace');
  }, sjis],
  ['sjis-edited.mml', sjis, typeAt(4, ' (SA)e\u671d'), insert(sjis, sjis.indexOf('d4\r') + 2, ' (SA)e\x92\xa9')],
  ['sjis-enter.mml', sjis, typeAt(4, '\n(I)c'), insert(sjis, sjis.indexOf('d4\r') + 2, '\r\n(I)c')],
  ['sjis-refused.mml', sjis, typeAt(1, '\u{1f600}'), sjis],
  ['utf8-typed.mml', utf8, asUtf8(async (page) => {
    await typeAt(3, 'x')(page);
    await page.keyboard.press('Backspace');
  }), utf8],
  ['utf8-edited.mml', utf8, asUtf8(typeAt(4, '\u00e9')), insert(utf8, utf8.lastIndexOf('c8\n') + 2, '\xc3\xa9')],
  ['utf8-joined.mml', utf8, asUtf8(async (page) => {
    await lineEnd(page, 1);
    await page.keyboard.press('Delete');
  }), bin(utf8.toString('latin1').replace('\xff\r\n#', '\xff#'))],
  ['bom-removed.mml', bom, async (page) => {
    await page.click('#input .cm-content');
    await page.keyboard.press('Control+Home');
    await page.keyboard.press('Delete');
  }, bom.subarray(3)],
];

// What the native program prints and leaves for `name` holding `bytes`.
function runNative(name, bytes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sylvo-native-'));
  fs.writeFileSync(path.join(dir, name), bytes);
  const run = spawnSync(native, [name], { cwd: dir });
  const outName = fs.readdirSync(dir).find((f) => f !== name);
  const output = outName ? fs.readFileSync(path.join(dir, outName)) : null;
  fs.rmSync(dir, { recursive: true });
  return { status: run.status, message: new TextDecoder().decode(run.stdout).trim(), outName, output };
}

let server, browser, url, files;

before(async () => {
  server = http.createServer((req, res) => {
    const file = path.join(site, path.normalize(decodeURIComponent(req.url.split('?')[0])).replace(/^\/$/, '/index.html'));
    if (!file.startsWith(site) || !fs.existsSync(file)) return res.writeHead(404).end();
    const type = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css' }[path.extname(file)];
    res.writeHead(200, { 'content-type': type || 'application/octet-stream' }).end(fs.readFileSync(file));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  url = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  files = fs.mkdtempSync(path.join(os.tmpdir(), 'sylvo-page-'));
});

after(async () => {
  await browser?.close();
  server?.close();
  if (files) fs.rmSync(files, { recursive: true });
});

async function newPage(context) {
  const page = await (context || browser).newPage({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
  page.outside = [];
  page.on('request', (r) => { if (!r.url().startsWith(url) && !r.url().startsWith('blob:')) page.outside.push(r.url()); });
  await page.goto(url);
  await page.waitForFunction(() => window.sylvo && document.querySelector('#keys button'));
  return page;
}
async function open(page, name, bytes) {
  const file = path.join(files, name);
  fs.writeFileSync(file, bytes);
  await page.setInputFiles('#file', file);
  await page.waitForFunction((n) => document.getElementById('file-name').textContent.startsWith(n), name);
}
// The message once the text on screen is converted.
async function settled(page) {
  await page.waitForFunction(() => document.getElementById('status').dataset.busy !== 'true');
  return page.textContent('#status');
}
async function saved(page, button) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  return { name: download.suggestedFilename(), bytes: fs.readFileSync(await download.path()) };
}
// The page's message, output and failure marking against the native run.
async function expectNative(page, bytes, name) {
  const expected = runNative(name, bytes);
  assert.equal(await settled(page), expected.message);
  if (expected.status === 0) {
    const out = await saved(page, '#save');
    assert.equal(out.name, expected.outName);
    assert.deepEqual(out.bytes, expected.output);
    return;
  }
  assert.ok(await page.isDisabled('#save'));
  // The failing line is marked: the one the message names, or the first
  // that is too long.
  const lines = bytes.toString('latin1').split('\n');
  const named = /line:(\d+)/.exec(expected.message);
  const n = named ? Number(named[1]) : lines.findIndex((l, i) => l.length + (i < lines.length - 1) > 2048) + 1;
  const marked = await page.$$eval('#input .cm-failing-line', (all) => all.map((l) => l.textContent));
  assert.deepEqual(marked, n ? [lines[n - 1].replace(/\r$/, '')] : []);
}

for (const [name, bytes, edit, edited] of cases) {
  test(`${name} ${edit ? 'edited' : 'opened'} in the page keeps its bytes and converts as natively`, async () => {
    const page = await newPage();
    await open(page, name, bytes);
    if (edit) {
      await settled(page);
      await edit(page);
    }
    const kept = edited || bytes;
    await expectNative(page, kept, name);
    if (edit) assert.equal((await page.textContent('#notice')) !== '', name === 'sjis-refused.mml');
    const input = await saved(page, '#save-input');
    assert.equal(input.name, name);
    assert.deepEqual(input.bytes, kept);
    if (name === 'song.mml' && process.env.SYLVO_SCREENSHOT) {
      await page.screenshot({ path: process.env.SYLVO_SCREENSHOT });
    }
    assert.deepEqual(page.outside, []);
    await page.close();
  });
}

// Work on screen is never lost: what Save writes right after an edit, what a
// reload offers back, what opening another file over edits asks.
const big = bin('#SYLVO\n' + 'l8 (KA)c (SA)d (N)e4\n; \x82\xa0 a comment\n'.repeat(20000));
const kept = [
  ['save right after an edit', async (page) => {
    await open(page, 'big.mml', big);
    await settled(page);
    await typeAt(2, ' (KX)c')(page);
    await page.keyboard.press('Control+s');
    await page.waitForFunction(() => document.getElementById('notice').textContent !== '');
    assert.match(await page.textContent('#status'), /Illegal token! line:2/);
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Backspace');
    await page.keyboard.type('A)c');
    const [out] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Control+s')]);
    const edited = insert(big, big.indexOf('\n', 7), ' (KA)c');
    assert.deepEqual(fs.readFileSync(await out.path()), runNative('big.mml', edited).output);
  }],
  ['restore after a reload', async (page) => {
    await open(page, 'bytes.mml', sjis);
    await typeAt(4, ' (SA)e\u671d')(page);
    await page.waitForTimeout(1200);  // the edits are kept half a second after typing stops
    await page.reload();
    await page.waitForSelector('#draft:not([hidden])');
    await page.click('#restore');
    await page.waitForFunction(() => document.getElementById('file-name').textContent === 'bytes.mml (edited)');
    const input = await saved(page, '#save-input');
    assert.deepEqual(input.bytes, insert(sjis, sjis.indexOf('d4\r') + 2, ' (SA)e\x92\xa9'));
  }],
  ['opening over unsaved edits asks first', async (page) => {
    await open(page, 'bytes.mml', sjis);
    await typeAt(1, 'x')(page);
    let asked = 0;
    page.once('dialog', (d) => { ++asked; d.dismiss(); });
    fs.writeFileSync(path.join(files, 'other.mml'), '#SYLVO\n');
    await page.setInputFiles('#file', path.join(files, 'other.mml'));
    await page.waitForTimeout(300);
    assert.equal(asked, 1);
    assert.equal(await page.textContent('#file-name'), 'bytes.mml (edited)');
    page.once('dialog', (d) => { ++asked; d.accept(); });
    await open(page, 'song.mml', fs.readFileSync(path.join(root, 'examples/song.mml')));
    assert.equal(asked, 2);
  }],
  ['opening another file shows its own output, or none', async (page) => {
    const shownOutput = () => page.$$eval('#output .cm-line', (all) => all.map((l) => l.textContent).join('\n'));
    const song = fs.readFileSync(path.join(root, 'examples/song.mml'));
    await open(page, 'song.mml', song);
    await settled(page);
    assert.equal(await page.textContent('#out-name'), 'song_out.mml');
    assert.notEqual(await shownOutput(), '');
    await open(page, 'syntax.mml', bin('#SYLVO\n(KA)x8\n'));
    assert.match(await settled(page), /Syntax error! line:2/);
    assert.equal(await shownOutput(), '');
    assert.equal(await page.textContent('#out-name'), '');
    const second = bin('#SYLVO\n(SA)d4\n');
    await open(page, 'second.mml', second);
    await settled(page);
    assert.equal(await shownOutput(), runNative('second.mml', second).output.toString('latin1'));
    assert.equal(await page.textContent('#out-name'), 'second_out.mml');
  }],
];

for (const [what, act] of kept) {
  test(what, async () => {
    const context = await browser.newContext({ acceptDownloads: true });
    const page = await newPage(context);
    await act(page);
    assert.deepEqual(page.outside, []);
    await context.close();
  });
}

test('the page colours what the conversion reads, in view wherever the view goes', async () => {
  const page = await newPage();
  const song = bin('#SYLVO\n/* (KA)c4 */ d4 ; (KI)c\n' + 'l8 (SA)d\n'.repeat(3000) + '(N)e2 // end\n');
  await open(page, 'colours.mml', song);
  await settled(page);
  const marked = (cls) => page.$$eval(`#input .cm-sy-${cls}`, (all) => all.map((m) => m.textContent));
  // A syllable inside a block comment is converted: it shows as a syllable.
  assert.deepEqual((await marked('syllable')).slice(0, 2), ['(KA)c4', '(SA)d']);
  assert.deepEqual((await marked('comment')).slice(0, 2), ['/* (KA)c4 */', '; (KI)c']);
  assert.deepEqual(await page.$$eval('#input .cm-sy-comment .cm-sy-syllable', (all) => all.map((m) => m.textContent)),
                   ['(KA)c4']);
  assert.deepEqual((await marked('l')).slice(0, 1), ['l8']);
  await page.click('#input .cm-content');
  await page.keyboard.press('Control+End');
  await page.waitForFunction(() => [...document.querySelectorAll('#input .cm-sy-syllable')].some((m) => m.textContent === '(N)e2'));
  assert.ok((await marked('comment')).includes('// end'));
  assert.deepEqual(page.outside, []);
  await page.close();
});

test('window.sylvo.convert gives bytes, status, message and the failing place', async () => {
  const page = await newPage();
  const got = await page.evaluate(async () => {
    await window.sylvo.ready;
    const pick = (r) => ({ status: r.status, message: r.message, output: Array.from(r.output), name: r.outputName,
                           line: r.line, column: r.column });
    return [window.sylvo.convert(new TextEncoder().encode('#SYLVO\n(KA)c8\n'), 'a.mml'),
            window.sylvo.convert(new TextEncoder().encode('#SYLVO\n\n(KA)c8 (KX)c8\n'), 'b.mml')].map(pick);
  });
  assert.deepEqual(got, [{
    status: 0,
    message: '\n@ SyLvO conversion completed.\n\n',
    output: Array.from(Buffer.from(';#SYLVO\n@@5c#1@@6w#1@@7w#1@@00w8~#3\n')),
    name: 'a_out.mml',
    line: 0,
    column: -1,
  }, {
    status: 1,
    message: '\n*** Illegal token! line:3\n\n> (KA)c8 (KX)c8\n\n\n',
    output: [],
    name: 'b_out.mml',
    line: 3,
    column: 13,  // the byte that ended the syllable
  }]);
  await page.close();
});

test('lyrics put on the selected notes are one edit that undo takes back', async () => {
  const page = await newPage();
  const song = bin('#SYLVO\r\n; \x82\xa0 verse\r\nl8 c d e r4 f&f (KA)g\r\n');  // Shift-JIS, CR LF
  await open(page, 'lyrics.mml', song);
  await settled(page);
  await lineEnd(page, 3);
  await page.keyboard.press('Shift+Home');
  // A piece no note takes keeps the lyrics off the notes: the rest would
  // land a note early.
  await page.fill('#lyrics', 'さくxqらさく');
  await page.waitForFunction(() => document.getElementById('apply-lyrics').title !== '', null, { timeout: 60000 });
  assert.equal(await page.isDisabled('#apply-lyrics'), true);
  assert.deepEqual(await page.$$eval('#lyrics-problems li', (all) => all.map((l) => l.textContent)),
                   ['“xq”: no syllable is spelt so']);
  await page.fill('#lyrics', 'さくらさく');
  await page.waitForFunction(() => !document.getElementById('apply-lyrics').disabled);
  assert.equal(await page.textContent('#lyrics-summary'), '5 notes in the selection take a syllable.');
  assert.equal(await page.textContent('#lyrics-plan li:nth-child(4)'), 'さ SA → f, line 3');
  await page.click('#apply-lyrics');
  const fitted = bin('#SYLVO\r\n; \x82\xa0 verse\r\nl8 (SA)c (KU)d (RA)e r4 (SA)f&f (KU)g\r\n');
  await expectNative(page, fitted, 'lyrics.mml');
  assert.deepEqual((await saved(page, '#save-input')).bytes, fitted);
  await page.focus('#input .cm-content');
  await page.keyboard.press('Control+z');
  await expectNative(page, song, 'lyrics.mml');
  assert.deepEqual((await saved(page, '#save-input')).bytes, song);
  assert.deepEqual(page.outside, []);
  await page.close();
});

// The corpus of songs the native reader is held to (tests/data/lyrics.tsv),
// read by the page's: the same object as sylvo-lyrics --json, line for line.
test('lyrics are read with the dictionary as sylvo-lyrics reads them, which loads only when needed', async () => {
  const page = await newPage();
  const fetched = [];
  page.on('request', (r) => { if (r.url().includes('dictionary/')) fetched.push(r.url()); });
  const lines = fs.readFileSync(path.join(root, 'tests/data/lyrics.tsv'), 'utf8').split('\n')
    .filter((l) => l && !l.startsWith('#')).map((l) => l.split('\t')[0]);
  const read = (text, asWritten) => page.evaluate(([t, w]) => window.sylvo.readLyrics(t, { asWritten: w }), [text, asWritten]);
  await page.evaluate(() => window.sylvo.ready);
  // Romaji, and kana as written, need no dictionary.
  assert.deepEqual((await read('sakura', false)).keys, ['SA', 'KU', 'RA']);
  assert.deepEqual((await read('わたしは', true)).keys, ['WA', 'TA', 'SHI', 'HA']);
  assert.deepEqual(fetched, []);
  // The first kanji fetches the dictionary and builds it, in its worker.
  const start = Date.now();
  assert.deepEqual((await read('桜', false)).keys, ['SA', 'KU', 'RA']);
  console.log(`# the dictionary fetched and ready for the first kanji in ${((Date.now() - start) / 1000).toFixed(2)} s`);
  const lyrics = path.join(path.dirname(native), 'sylvo-lyrics');
  for (const [asWritten, some] of [[false, lines], [true, lines.slice(0, 8)]]) {
    const args = ['--json', ...(asWritten ? ['--as-written'] : []), '--', ...some];
    const want = spawnSync(lyrics, args, { encoding: 'utf8' }).stdout.trim().split('\n').map((l) => JSON.parse(l));
    for (let i = 0; i < some.length; ++i) assert.deepEqual(await read(some[i], asWritten), want[i], some[i]);
  }
  assert.deepEqual(fetched.map((u) => u.slice(u.lastIndexOf('/') + 1)).sort(), ['ipadic.js', 'reader.js']);
  assert.deepEqual(page.outside, []);
  await page.close();
});

test('the lyrics panel shows each reading as ruby, and a click corrects it in the lyrics', async () => {
  const page = await newPage();
  await open(page, 'ruby.mml', bin('#SYLVO\nc d e f\n'));
  await settled(page);
  await lineEnd(page, 2);
  await page.keyboard.press('Shift+Home');
  await page.fill('#lyrics', '故郷は');
  await page.waitForFunction(() => document.querySelector('#lyrics-marked rt'), null, { timeout: 60000 });
  assert.deepEqual(await page.$$eval('#lyrics-marked rt', (all) => all.map((r) => r.textContent)), ['こきょー', 'わ']);
  page.once('dialog', (d) => d.accept('ふるさと'));
  await page.click('#lyrics-marked ruby');
  assert.equal(await page.inputValue('#lyrics'), '｜故郷《ふるさと》は');
  await page.waitForFunction(() => document.querySelector('#lyrics-marked rt')?.textContent === 'ふるさと');
  await page.check('#lyrics-as-written');
  await page.waitForFunction(() => [...document.querySelectorAll('#lyrics-marked rt')].length === 1);
  await page.waitForFunction(() => !document.getElementById('apply-lyrics').disabled);
  await page.click('#apply-lyrics');
  await expectNative(page, bin('#SYLVO\n(FU)c (RU)d (SA)e (TO)f\n'), 'ruby.mml');
  await page.close();
});

test('window.sylvo.lyricKeys and fitLyrics give keys, places and problems', async () => {
  const page = await newPage();
  const got = await page.evaluate(async () => {
    await window.sylvo.ready;
    return [window.sylvo.lyricKeys('きゃ桜ー kka'), window.sylvo.fitLyrics('c ; d\nd e', 'sa\u{1f600}')];
  });
  assert.deepEqual(got[0], {
    keys: ['KYA', 'XTU', 'KA'],
    moras: [{ key: 'KYA', at: 0, text: 'きゃ' }, { key: 'XTU', at: 5, text: 'k' }, { key: 'KA', at: 6, text: 'ka' }],
    problems: [{ at: 2, text: '桜', why: 'write it in kana' }, { at: 3, text: 'ー', why: 'nothing before it to lengthen' }],
  });
  assert.deepEqual(got[1], {
    text: '(SA)c ; d\nd e', changes: [{ from: 0, to: 0, insert: '(SA)' }], notes: 1, notesLeft: 2,
    syllablesLeft: 0, problems: [{ at: 2, text: '\u{1f600}', why: 'write it in kana' }],
  });
  await page.close();
});

test('every problem is listed under the editor and marked in it; a click goes there', async () => {
  const page = await newPage();
  const song = bin('#SYLVO\n(KA)c8 (KX)c8\n\x83\x6c (ka)c\n(SHI)x\n');  // Shift-JIS before the third
  await open(page, 'problems.mml', song);
  await settled(page);
  const items = () => page.$$eval('#problems li', (all) => all.map((l) => [l.className, l.firstChild.textContent]));
  const near = 'KX is no key; keys one edit away: KA, KI, KU, KE, KO';
  // Each with the library's explanation and name, the key at fault marked.
  const unknown = 'Illegal token! line:2: KX is not a syllable key';
  const capitals = 'Illegal token! line:3: keys are capitals: KA';
  const noNote = "Syntax error! line:4: (SHI) takes a note after its ')': a to g, w or k, not 'x'";
  assert.deepEqual(await items(), [
    ['error', `Line 2: error: ${unknown} [illegal-token]`],
    ['note', `Line 2: note: ${near} [near-keys]`],
    ['error', `Line 3: error: ${capitals} [illegal-token]`],
    ['error', `Line 4: error: ${noNote} [syntax]`],
  ]);
  assert.deepEqual(await page.$$eval('#input .cm-problem-error', (all) => all.map((m) => [m.textContent, m.dataset.message])),
                   [['KX', `${unknown}\n${near}`], ['ka', capitals], ['x', noNote]]);
  await page.click('#problems li:nth-child(4) button');
  const selected = await page.evaluate(() => getSelection().toString());
  assert.equal(selected, 'x');
  await page.keyboard.type('c');
  // (SHI)c now converts; the Shift-JIS character's second byte 'l' changed no length.
  await page.waitForFunction(() => document.querySelectorAll('#problems li').length === 3);
  assert.deepEqual(page.outside, []);
  await page.close();
});

// What the native program writes for `syllable` at voice sets `set`.
const nativeRun = (syllable, set) =>
  runNative('one.mml', bin(`#SYLVO\n#SYLVO_VSET_ALL ${set}\n${syllable}\n`)).output.toString('latin1').split('\n')[2];

test('the editor completes keys, hovers a syllable and applies a quick fix, as the library says', async () => {
  const page = await newPage();
  const song = bin('#SYLVO\r\n#SYLVO_VSET_ALL 2\r\n\x82\xa9 (SA)c8 (@A4KX)c\r\n');  // Shift-JIS, CR LF
  await open(page, 'assist.mml', song);
  await settled(page);
  // "(KY" typed after kana offers the keys with their kana and what each
  // becomes there; one picked goes in, and the song converts.
  await lineEnd(page, 3);
  await page.keyboard.type(' (@I7KY');
  await page.waitForSelector('.cm-tooltip-autocomplete li');
  const offered = await page.$$eval('.cm-tooltip-autocomplete li',
                                    (all) => all.map((li) => li.textContent));
  assert.deepEqual(offered.slice(0, 4), ['KYAきゃ', 'KYUきゅ', 'KYEきぇ', 'KYOきょ']);
  await page.keyboard.press('ArrowDown');
  await page.waitForSelector('.cm-completionInfo >> text=(KYU)c');
  assert.equal(await page.textContent('.cm-completionInfo'),
               `(KYU)c becomes ${nativeRun('(@I7KYU)c', 2)} at voice sets A2 I7 U2 E2 O2`);
  await page.keyboard.press('Enter');
  await page.keyboard.type(')e');
  const typed = insert(song, song.length - 2, ' (@I7KYU)e');
  // Hover a syllable: exactly what sylvo writes for it.
  await page.hover('#input .cm-sy-key >> text=SA');
  await page.waitForSelector('.sy-hover');
  assert.equal(await page.textContent('.sy-hover'),
               `SA さ · voice sets A2 I2 U2 E2 O2sylvo writes ${nativeRun('(SA)c8', 2)} (5 frames)`);
  // The unknown key's quick fix, from its hover and from the list.
  await page.mouse.move(0, 0);
  await page.hover('#input .cm-problem-error');
  await page.waitForSelector('.sy-hover .fix');
  assert.deepEqual(await page.$$eval('.sy-hover .fix', (all) => all.map((b) => b.textContent)),
                   ['Replace with KA', 'Replace with KI', 'Replace with KU', 'Replace with KE', 'Replace with KO']);
  assert.deepEqual(await page.$$eval('#problems .fix', (all) => all.map((b) => b.textContent).slice(0, 2)),
                   ['Replace with KA', 'Replace with KI']);
  await page.click('.sy-hover .fix >> text=KU');
  const fixed = bin(typed.toString('latin1').replace('(@A4KX)', '(@A4KU)'));
  await expectNative(page, fixed, 'assist.mml');
  assert.deepEqual((await saved(page, '#save-input')).bytes, fixed);
  assert.equal(await page.$$eval('#problems li', (all) => all.length), 0);
  assert.deepEqual(page.outside, []);
  await page.close();
});

test('warnings are listed and marked apart from errors; a note stands beside its error', async () => {
  const page = await newPage();
  await open(page, 'warnings.mml', bin('#SYLVO\n/* slow */ (KA)c\n#SYLVO_VSET_ALL -1\n(KAA)c\n'));
  await settled(page);
  assert.deepEqual(await page.$$eval('#problems li', (all) => all.map((l) => [l.className, l.firstChild.textContent])), [
    ['warning', "Line 2: warning: 'l' sets the default length to nothing: the syllables after it take no length, " +
                "the first (KA) on line 2; this 'l' is inside a block comment, where 'l' acts too [empty-length]"],
    ['warning', "Line 3: warning: the sign of '-1' is not read: it sets 1 [directive-number]"],
    ['error', 'Line 4: error: Illegal token! line:4: KAA is not a syllable key [illegal-token]'],
    ['note', 'Line 4: note: KAA is no key; keys one edit away: KA, KYA, KUA, KWA [near-keys]'],
  ]);
  assert.deepEqual(await page.$$eval('#input .cm-problem-warning', (all) => all.map((m) => m.textContent)), ['l', '-1']);
  assert.deepEqual(await page.$$eval('#input .cm-problem-error', (all) => all.map((m) => m.dataset.message)),
                   ['Illegal token! line:4: KAA is not a syllable key\nKAA is no key; keys one edit away: KA, KYA, KUA, KWA']);
  // Warnings alone: the song converts, and they stay listed.
  await page.click('#problems li:nth-child(4) button');  // selects KAA
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('Backspace');  // (KAA) becomes (KA)
  await page.waitForFunction(() => document.querySelectorAll('#problems li').length === 2);
  assert.equal(await page.$eval('#save', (b) => b.disabled), false);
  assert.deepEqual(page.outside, []);
  await page.close();
});

test('the page speaks the browser\'s language, Japanese for ja, and its switch changes it', async () => {
  const context = await browser.newContext({ acceptDownloads: true, locale: 'ja-JP' });
  const page = await newPage(context);
  await page.waitForFunction(() => document.documentElement.lang === 'ja');
  // Every text of the page's own is said in Japanese: none stays as it was.
  const untranslated = await page.evaluate(() => {
    const left = [];
    for (const el of document.querySelectorAll('[data-t]')) if (el.innerHTML === el.dataset.t) left.push(el.dataset.t);
    for (const attribute of ['title', 'placeholder', 'aria-label']) {
      for (const el of document.querySelectorAll(`[data-t-${attribute}]`)) {
        const english = el.dataset[`t${attribute.replace(/(^|-)(\w)/g, (m, d, c) => c.toUpperCase())}`];
        if (el.getAttribute(attribute) === english) left.push(english);
      }
    }
    return left;
  });
  assert.deepEqual(untranslated, []);
  assert.equal(await page.title(), 'sylvo: 歌詞の音節を歌う MML に');
  assert.equal(await page.textContent('#input-heading'), '入力');
  // A Shift-JIS song's problems: sylvo's own words kept, the rest Japanese.
  const song = bin('#SYLVO\r\n\x82\xa9 (KX)c8 \x81\x69\x82\x6a\x82\x60\x81\x6a\x82\x83\r\n');
  await open(page, 'ja.mml', song);
  await settled(page);
  const items = () => page.$$eval('#problems li', (all) => all.map((l) => l.firstChild.textContent));
  assert.deepEqual(await items(), [
    '2 行目: エラー: Illegal token! line:2: KX は音節のキーではありません [illegal-token]',
    '2 行目: 注記: KX はキーではありません。一字違いのキー: KA, KI, KU, KE, KO [near-keys]',
    '2 行目: 警告: （ＫＡ）ｃ は全角で入力されているため、文字としてそのまま写されます: 音節は半角で (KA)c と書きます [full-width]',
  ]);
  assert.equal(await page.textContent('#problems li:nth-child(3) button.fix'), '(KA)c に置き換える');
  // The reference finds a syllable by its kana, in hiragana or katakana.
  await page.fill('#search', 'しゃ');
  assert.deepEqual(await page.$$eval('#keys button:not([hidden])', (all) => all.map((b) => b.textContent)), ['SHA']);
  await page.fill('#search', 'キャ');
  assert.deepEqual(await page.$$eval('#keys button:not([hidden])', (all) => all.map((b) => b.textContent)), ['KYA']);
  // English, chosen by the switch, and kept for the next visit.
  await page.selectOption('#language', 'en');
  await page.waitForFunction(() => document.getElementById('input-heading').textContent === 'Input');
  await page.waitForFunction(() => document.querySelector('#problems li')?.firstChild.textContent.includes('KX is not a syllable key'));
  const again = await newPage(context);
  assert.equal(await again.textContent('#input-heading'), 'Input');
  assert.deepEqual(page.outside, []);
  await context.close();
});
