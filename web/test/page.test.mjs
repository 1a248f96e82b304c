// The page in headless Chromium, used as a person would: open a file, read
// the message, save the output. Every input must give what the native sylvo
// gives for the same file: the same message, the same saved bytes and name.
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

const cases = [
  ['song.mml', fs.readFileSync(path.join(root, 'examples/song.mml'))],
  ['bytes.mml', Buffer.from('; \x83\x81\x83\x8d\r\n\xff\x00\r\n#SYLVO\r\nl8 (KA)c (N)d4\r\n' +
                            '; \x89\xcc (KA)c\x00\xff\r\n(KA)c', 'latin1')],
  ['syntax.mml', Buffer.from('#SYLVO\n(KA)c8\n\n(KA)x8\n')],
  ['token.mml', Buffer.from('#SYLVO\n(KA)c8\n(KX)c8 (N)c\n')],
  ['long.mml', Buffer.from('#SYLVO\n' + 'a'.repeat(2048) + '\n')],
  ['noheader.mml', Buffer.from('t120\nc8 d8\n')],
];

// What the native program prints and leaves for `name` holding `bytes`.
function runNative(name, bytes) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'sylvo-native-'));
  fs.writeFileSync(path.join(dir, name), bytes);
  const run = spawnSync(native, [name], { cwd: dir });
  const outName = fs.readdirSync(dir).find((f) => f !== name);
  const output = outName ? fs.readFileSync(path.join(dir, outName)) : null;
  fs.rmSync(dir, { recursive: true });
  return { status: run.status, stdout: run.stdout, outName, output };
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

for (const [name, bytes] of cases) {
  test(`${name} converts in the page as natively`, async () => {
    const expected = runNative(name, bytes);
    const page = await browser.newPage({ acceptDownloads: true, viewport: { width: 1280, height: 900 } });
    const outside = [];
    page.on('request', (r) => { if (!r.url().startsWith(url) && !r.url().startsWith('blob:')) outside.push(r.url()); });
    await page.goto(url);
    const file = path.join(files, name);
    fs.writeFileSync(file, bytes);
    await page.setInputFiles('#file', file);
    await page.waitForFunction((n) => document.getElementById('file-name').textContent === n &&
                                      document.getElementById('status').textContent !== '', name);

    const message = await page.textContent('#status');
    assert.equal(message, new TextDecoder().decode(expected.stdout).trim());
    if (expected.status === 0) {
      const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
      assert.equal(download.suggestedFilename(), expected.outName);
      assert.deepEqual(fs.readFileSync(await download.path()), expected.output);
    } else {
      assert.equal(expected.output, null);
      assert.ok(await page.isDisabled('#save'));
      const line = /line:(\d+)/.exec(message);
      if (line) {
        const shown = (await page.inputValue('#input')).split('\n')[Number(line[1]) - 1];
        assert.equal(await page.textContent('#highlights mark'), shown + '\n');
      }
    }
    if (name === 'song.mml' && process.env.SYLVO_SCREENSHOT) {
      await page.screenshot({ path: process.env.SYLVO_SCREENSHOT });
    }
    assert.deepEqual(outside, []);
    await page.close();
  });
}

test('window.sylvo.convert gives bytes, status and message', async () => {
  const page = await browser.newPage();
  await page.goto(url);
  const got = await page.evaluate(async () => {
    await window.sylvo.ready;
    const r = window.sylvo.convert(new TextEncoder().encode('#SYLVO\n(KA)c8\n'), 'a.mml');
    return { status: r.status, message: r.message, output: Array.from(r.output), name: r.outputName };
  });
  assert.deepEqual(got, {
    status: 0,
    message: '\n@ SyLvO conversion completed.\n\n',
    output: Array.from(Buffer.from(';#SYLVO\n@@5c#1@@6w#1@@7w#1@@00w8~#3\n')),
    name: 'a_out.mml',
  });
  await page.close();
});
