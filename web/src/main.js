// The page around the conversion core. The document is the file's bytes: the
// editor shows them through codec.js and gives them back exactly; a worker
// holds them and converts them; Save writes what the core made of the text
// on screen.
import example from '../../examples/song.mml';
import workerSource from 'worker-source';
import { charsInBytes, decode, encode, lineEndName, SJIS, UTF8 } from './codec.js';
import { coreSource, loadCore } from './core.js';
import { readDraft } from './drafts.js';
import { EditorView } from '@codemirror/view';
import { colour, inputEditor, markedFailure, markFailure, markProblems, outputEditor, showOutputPart } from './editor.js';
import { lyricCalls, lyricsPanel } from './lyrics.js';
import { languageNames, N_, pageLanguage, speak, t } from './words.js';

const NAMES = { [UTF8]: 'UTF-8', [SJIS]: 'Shift-JIS' };
const SEVERITIES = { error: N_('error'), warning: N_('warning'), note: N_('note') };
const CANT_READ = 6, NOT_SYLVO = 7;  // the core's kinds (sylvo_kind) that the page explains
const decoder = new TextDecoder();

// window.sylvo: `ready`, a promise for the core; `convert(bytes, name)`,
// which gives what `sylvo NAME` gives for a file NAME holding `bytes`:
// {status, message, messageBytes, output, outputName, line, column};
// `keys()`, the syllable keys; `lyricKeys(text)` and `fitLyrics(mmlText,
// lyricsText)` (lyrics.js).
window.sylvo = (() => {
  let core = null;
  const ready = loadCore(self.sylvoCore()).then((c) => { core = c; });
  const loaded = () => {
    if (!core) throw new Error('sylvo: the core is not loaded yet; wait for sylvo.ready');
    return core;
  };
  function convert(bytes, name = 'input.mml') {
    const r = loaded().convert(bytes, new TextEncoder().encode(name));
    return { status: r.status, message: decoder.decode(r.messageBytes), messageBytes: r.messageBytes,
             output: r.output, outputName: decoder.decode(r.outputNameBytes), line: r.line, column: r.column };
  }
  return { ready, convert, keys: () => core.keys(), core: loaded, ...lyricCalls(loaded) };
})();

const $ = (id) => document.getElementById(id);

// ---- The worker, made from the core's source and its own bundle so that it
// needs no file of its own (a page opened from a folder may load none).
const worker = new Worker(URL.createObjectURL(new Blob([coreSource(), workerSource], { type: 'text/javascript' })));
const pending = new Map();
let nextId = 1;
worker.onmessage = (e) => {
  const { resolve, reject } = pending.get(e.data.id);
  pending.delete(e.data.id);
  if (e.data.error) reject(new Error(e.data.error));
  else resolve(e.data);
};
function call(type, message = {}, transfer = []) {
  const id = nextId++;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, type, ...message }, transfer);
  });
}

// ---- The file: its name, how it is shown, how new text is written.
const file = {
  name: 'untitled.mml',
  chosen: 'auto',     // the "Show as" choice
  encoding: UTF8,     // what the bytes are shown as, and new text written in
  lineEnd: '\n',      // new line ends: the one most lines have
  ends: null,         // line ends counted when the file was opened
  refuse(char) {
    notice(t('"{1}" cannot be written in {2}, so it was not typed.', char, NAMES[file.encoding]) +
           (file.encoding === SJIS ? t(' "Rewrite as UTF-8" makes any character possible.') : ''));
  },
};
let version = 0;    // edits so far, and loads
let shown = -1;     // the version whose conversion is shown
let result = null;  // that conversion
let dirty = false;  // edits not saved as MML nor kept

const input = inputEditor($('input'), file, () => {
  ++version;
  dirty = true;
  $('status').dataset.busy = 'true';
  notice('');
  showEmpty();
  schedule();
}, { complete, hover });
const output = outputEditor($('output'));
lyricsPanel(input.view, window.sylvo, $);

// ---- Converting: never more than one conversion at the worker; the newest
// text goes next. A pause after typing, longer for a big song.
let timer = 0;
let running = null;
function schedule() {
  clearTimeout(timer);
  timer = setTimeout(convertNow, input.view.state.doc.length > 200000 ? 250 : 40);
}
async function convertNow() {
  clearTimeout(timer);
  while (shown !== version) {
    if (!running) {
      const v = version;
      running = call('edit', { text: input.view.state.doc.toString(), view: viewLines() })
          .then((reply) => show(reply.result, v))
          .finally(() => { running = null; });
    }
    await running;
  }
  return result;
}

function show(r, v) {
  // Every change, in order, so the output shown is the worker's.
  if (r.change?.whole) showOutputPart(output, r.change.insert, 1);  // after a part
  else if (r.change) output.dispatch({ changes: r.change });
  if (r.change) part = null;
  if (v !== version) return;
  shown = v;
  result = r;
  $('status').dataset.busy = 'false';
  const empty = input.view.state.doc.length === 0;
  $('status').textContent = empty ? '' : r.message;
  $('status').classList.toggle('failed', r.status !== 0 && !empty);
  $('output-pane').classList.toggle('stale', r.status !== 0);
  $('go-to-error').hidden = r.status === 0 || r.line === 0 || empty;
  for (const id of ['save', 'copy']) $(id).disabled = r.status !== 0;
  $('out-name').textContent = r.status === 0 ? r.outputName : '';
  $('bom').hidden = !(r.byteOrderMark && r.kind === NOT_SYLVO);
  markError(r);
  showProblems(empty ? { list: [], more: 0 } : r.problems);
  if (r.inPart) showPart(true);
  $('part').hidden = !r.inPart;
  if (r.spans) colour(input.view, r.spans, file.encoding), coloured = r.spansOf, colourView();
  if (dirty) keepSoon();
}

// ---- Colours: the spans the library reads (sylvo_spans) for the lines in
// view and a margin round them, asked for again when the view leaves them.
let coloured = null;  // {first, last}: the lines coloured
function viewLines() {
  const doc = input.view.state.doc, { from, to } = input.view.viewport;
  return { first: Math.max(1, doc.lineAt(from).number - 200), last: doc.lineAt(to).number + 200 };
}
let colouring = 0;
function colourView() {
  if (colouring) return;
  colouring = requestAnimationFrame(async () => {
    colouring = 0;
    const want = viewLines(), v = version;
    if (shown !== v || (coloured && want.first >= coloured.first && want.last <= coloured.last)) return;
    const { spans } = await call('spans', want);
    if (version === v) colour(input.view, spans, file.encoding), coloured = want;
  });
}

// The output follows the input line for line: output line n is input line
// n converted. A big output is shown some lines at a time: those of the
// input in view, and a margin round them.
let part = null;  // {from, to, total}: the output lines shown, or null for all
async function showPart(always) {
  const doc = input.view.state.doc, { from, to } = input.view.viewport;
  const first = doc.lineAt(from).number, last = doc.lineAt(to).number;
  if (!always && part && first >= part.from && last < part.to) return false;
  part = await call('lines', { from: Math.max(1, first - 500), to: last + 500 });
  showOutputPart(output, part.text, part.from);
  alignOutput();
  $('part').textContent = t("Showing output lines {1}–{2} of {3}, beside the input's. Save writes the whole output.",
                            part.from, part.to - 1, part.total);
  return true;
}
let following = 0;
function followInput() {
  if (following) return;
  following = requestAnimationFrame(async () => {
    following = 0;
    if (!part || !await showPart(false)) alignOutput();
  });
}
// Scrolls the output to the input's top line, to the pixel.
function alignOutput() {
  const top = input.view.lineBlockAtHeight(input.view.scrollDOM.scrollTop);
  const n = input.view.state.doc.lineAt(top.from).number - (part ? part.from - 1 : 0);
  const line = output.state.doc.line(Math.min(Math.max(n, 1), output.state.doc.lines));
  output.scrollDOM.scrollTop = output.lineBlockAt(line.from).top + input.view.scrollDOM.scrollTop - top.top;
}
input.view.scrollDOM.addEventListener('scroll', followInput);
input.view.scrollDOM.addEventListener('scroll', colourView);

// Where the failure of `r` is in the text: its line and the failing byte.
function failingPlace(r) {
  const doc = input.view.state.doc;
  const line = doc.line(Math.min(r.line, doc.lines));
  return { line, at: line.from + charsInBytes(line.text, Math.max(r.column, 0), file.encoding) };
}

// Marks the failing line and byte; the view moves there only when the
// failure is new, not for every key pressed while it lasts.
function markError(r) {
  if (r.status === 0 || r.line === 0 || r.line > input.view.state.doc.lines) {
    markFailure(input.view, null);
    return;
  }
  const { line, at } = failingPlace(r);
  const to = r.kind === CANT_READ ? line.to : Math.min(line.to, at + 1);  // the line is too long from there
  const before = markedFailure(input.view.state);
  markFailure(input.view, { lineFrom: line.from, from: at, to: Math.max(to, at) });
  if (before !== line.from) goToError(false);
}
// Where a problem stands in the text now: {from, to} of its bytes, or null
// if it is at no byte.
function problemPlace(p) {
  const doc = input.view.state.doc;
  if (p.line === 0 || p.line > doc.lines || p.start < 0) return null;
  const line = doc.line(p.line);
  const from = line.from + charsInBytes(line.text, p.start, file.encoding);
  const to = line.from + charsInBytes(line.text, p.start + Math.max(p.length, 1), file.encoding);
  return { from: Math.min(from, line.to), to: Math.min(Math.max(to, from), line.to) };
}

// ---- Completion, hover and quick fixes: what the library says of a place
// in the bytes the worker holds, once it holds the text on screen.

// Line `line` (from 1) of the text, and the bytes of it before `pos`.
function bytePlace(doc, pos) {
  const line = doc.lineAt(pos);
  return { line, column: encode(line.text.slice(0, pos - line.from), file.encoding).length };
}
// Whether the worker's bytes are those of `doc`, after waiting for it.
async function holds(doc) {
  await convertNow();
  return input.view.state.doc === doc;
}

async function complete(state, pos) {
  const { line, column } = bytePlace(state.doc, pos);
  if (!await holds(state.doc)) return null;
  const r = await call('complete', { line: line.number, column });
  if (!r.kind) return null;
  return {
    from: line.from + charsInBytes(line.text, r.start, file.encoding),
    options: r.items.map((item, rank) => ({ label: item.label, detail: item.detail, info: item.info,
                                            type: r.kind === 1 ? 'keyword' : 'macro', boost: -rank / 1000 })),
  };
}

// Over a syllable: its kana, voice sets and exactly what sylvo writes for
// it; over a problem: what is wrong, and its quick fixes.
async function hover(view, pos) {
  const doc = view.state.doc;
  const { line, column } = bytePlace(doc, pos);
  if (!await holds(doc)) return null;
  const { syllable } = await call('syllable', { line: line.number, column });
  const here = result.problems.list.filter((p) => {
    const place = problemPlace(p);
    return place && place.from <= pos && pos <= place.to;
  });
  if (!syllable && !here.length) return null;
  const dom = document.createElement('div');
  dom.className = 'sy-hover';
  let from = pos, to = pos;
  if (syllable) {
    from = line.from + charsInBytes(line.text, syllable.start, file.encoding);
    to = line.from + charsInBytes(line.text, syllable.start + syllable.length, file.encoding);
    const head = document.createElement('div');
    const key = document.createElement('b');
    key.textContent = syllable.key;
    const sets = syllable.voices.map((v, i) => `${'AIUEO'[i]}${v}`).join(' ');
    head.append(key, ` ${syllable.kana} · ${t('voice sets {1}', sets)}`);
    const writes = document.createElement('div');
    const code = document.createElement('code');
    code.textContent = syllable.expansion;
    // The words around the code, which stands in them as a byte 0x01.
    const [before, after] = t('sylvo writes `{1}` ({2} frames)', '\x01', syllable.frames).split('`\x01`');
    writes.append(before, code, after);
    dom.append(head, writes);
  }
  for (const p of here) {
    const place = problemPlace(p);
    from = Math.min(from, place.from), to = Math.max(to, place.to);
    const div = document.createElement('div');
    div.className = `problem ${p.severity}`;
    div.textContent = `${t(SEVERITIES[p.severity])}: ${p.message} [${p.name}]`;
    dom.append(div, ...fixButtons(p));
  }
  return { from, to, dom };
}

// A button for each key or keyword that could stand in place of a problem's
// bytes: a click puts it there, as one edit.
function fixButtons(p) {
  if (p.severity === 'note') return [];
  return p.suggestions.map((with_) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'fix';
    b.textContent = t('Replace with {1}', with_);
    b.addEventListener('click', () => {
      const place = problemPlace(p);
      if (!place || shown !== version) return;  // the problems are about to be new
      input.view.dispatch({ changes: { ...place, insert: with_ }, userEvent: 'input.fix' });
      input.view.focus();
    });
    return b;
  });
}

// Lists every problem under the editor, each a button that goes there with
// its quick fixes beside it, and marks each in the text.
function showProblems({ list, more }) {
  const ul = $('problems');
  ul.replaceChildren();
  const marks = [];
  for (const p of list) {
    const place = problemPlace(p);
    if (place) marks.push({ ...place, severity: p.severity, message: p.message });
    // A note says more of the error before it: shown beside that one's mark too.
    const error = marks.length > 1 && p.severity === 'note' ? marks[marks.length - 2] : null;
    if (error && error.severity === 'error') error.message += `\n${p.message}`;
    const li = document.createElement('li');
    li.className = p.severity;
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'plain';
    const severity = document.createElement('span');
    severity.className = 'severity';
    severity.textContent = t(SEVERITIES[p.severity]);
    button.append(p.line ? t('Line {1}: ', p.line) : '', severity, `: ${p.message} [${p.name}]`);
    button.disabled = !place;
    button.addEventListener('click', () => {
      const now = problemPlace(p);
      input.view.dispatch({ selection: { anchor: now.from, head: now.to },
                            effects: EditorView.scrollIntoView(now.from, { y: 'center' }) });
      input.view.focus();
    });
    li.append(button, ...fixButtons(p));
    ul.append(li);
  }
  if (more) {
    const li = document.createElement('li');
    li.textContent = t('and {1} more', more);
    ul.append(li);
  }
  markProblems(input.view, marks);
}

function goToError(focus = true) {
  const { at } = failingPlace(result);
  input.view.dispatch({ effects: EditorView.scrollIntoView(at, { y: 'nearest' }),
                        selection: focus ? { anchor: at } : undefined });
  if (focus) input.view.focus();
}

function describeFile() {
  const count = file.ends ? file.ends.count : {};
  const others = Object.keys(count).filter((end) => end !== file.lineEnd && count[end] > 0)
                                   .map((end) => `${count[end]} ${lineEndName(end)}`);
  $('file-name').textContent = file.name + (dirty ? t(' (edited)') : '');
  $('file-info').textContent = `${NAMES[file.encoding]} · ${lineEndName(file.lineEnd)}` +
                               (others.length ? t(' (also {1})', others.join(', ')) : '');
  $('detected').textContent = file.chosen === 'auto' ? t('detect ({1})', NAMES[file.encoding]) : t('detect');
  $('to-utf8').hidden = file.encoding === UTF8;
}

// Shows text from the worker as the new document (a file opened, another
// view of the same bytes): the undo history starts again.
function load(reply) {
  input.load(reply.text);
  file.encoding = reply.encoding;
  file.ends = reply.lineEnds;
  file.lineEnd = reply.lineEnds.style;
  ++version;
  show(reply.result, version);
  describeFile();
  showEmpty();
}

async function openBytes(bytes, name, asEdited = false) {
  file.name = name;
  const copy = bytes.slice();
  const reply = await call('open', { bytes: copy.buffer, name, encoding: file.chosen }, [copy.buffer]);
  dirty = asEdited;
  load(reply);
  if (!asEdited) call('forget');
}
async function openFile(f) {
  if (!f) return;
  if (dirty && !confirm(t('Open {1}? The edits to {2} are not saved and will be lost.', f.name, file.name))) return;
  await openBytes(new Uint8Array(await f.arrayBuffer()), f.name);
}

// ---- Saving
function download(bytes, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}
async function saveOutput() {
  const r = await convertNow();
  if (r.status !== 0) return notice(t('The text has an error: fix it, then save.'));
  download((await call('bytes', { what: 'output' })).bytes, r.outputName);
}
async function saveInput() {
  await convertNow();
  download((await call('bytes', { what: 'input' })).bytes, file.name);
  dirty = false;
  describeFile();
  call('forget');
}
async function copyOutput() {
  const r = await convertNow();
  if (r.status !== 0) return;
  const text = part ? decode((await call('bytes', { what: 'output' })).bytes, file.encoding) : output.state.doc.toString();
  try {
    await navigator.clipboard.writeText(text);
    notice(t('The output is on the clipboard.'));
  } catch (e) {
    notice(t('This browser does not let the page use the clipboard here; Save writes the output.'));
  }
}

// Unsaved edits are kept in the browser a moment after typing stops, and at
// once when the page is hidden; leaving before they are kept asks first.
let keepTimer = 0;
let keptVersion = 0;  // the version whose bytes the draft holds
function keepNow() {
  clearTimeout(keepTimer);
  if (!dirty || keptVersion === version) return;
  const v = version;
  (shown === v ? Promise.resolve() : convertNow()).then(() => call('keep'))
      .then(() => { keptVersion = Math.max(keptVersion, v); });
}
function keepSoon() {
  clearTimeout(keepTimer);
  keepTimer = setTimeout(keepNow, 500);
}
document.addEventListener('visibilitychange', () => { if (document.visibilityState === 'hidden') keepNow(); });
window.addEventListener('pagehide', keepNow);
window.addEventListener('beforeunload', (e) => {
  if (!dirty || keptVersion === version) return;
  keepNow();
  e.preventDefault();
  e.returnValue = '';
});

function notice(text) {
  $('notice').textContent = text;
  $('notice').hidden = !text;
}
function showEmpty() {
  $('empty').hidden = input.view.state.doc.length !== 0;
  describeFile();
}

// ---- Controls
$('open').addEventListener('click', () => $('file').click());
$('file').addEventListener('change', (e) => { openFile(e.target.files[0]); e.target.value = ''; });
$('example').addEventListener('click', () => {
  if (!dirty || confirm(t('Load the example? The edits to {1} are not saved and will be lost.', file.name))) {
    openBytes(example, 'song.mml');
  }
});
$('save').addEventListener('click', saveOutput);
$('save-input').addEventListener('click', saveInput);
$('copy').addEventListener('click', copyOutput);
$('go-to-error').addEventListener('click', () => goToError());
$('encoding').addEventListener('change', async (e) => {
  await convertNow();
  file.chosen = e.target.value;
  load(await call('view', { encoding: file.chosen, view: viewLines() }));
});
$('to-utf8').addEventListener('click', async () => {
  await convertNow();
  file.chosen = 'auto';
  $('encoding').value = 'auto';
  dirty = true;
  load(await call('toUtf8', { view: viewLines() }));
});
window.addEventListener('keydown', (e) => {
  if (!(e.ctrlKey || e.metaKey) || e.altKey) return;
  const key = e.key.toLowerCase();
  if (key === 's') e.preventDefault(), saveOutput();
  if (key === 'o') e.preventDefault(), $('file').click();
}, true);
document.addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', (e) => {
  if (!e.relatedTarget) document.body.classList.remove('dragging');
});
document.addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  openFile(e.dataTransfer.files[0]);
});

// ---- The reference: what a syllable becomes under each voice set, as the
// core converts it.
const note = $('ref-note'), length = $('ref-length');
let chosen = 'KA';
function showReference() {
  const syllable = `(${chosen})${note.value}${length.value}`;
  const runs = [];
  for (let set = 0; set <= 9; ++set) {
    const r = window.sylvo.convert(new TextEncoder().encode(`#SYLVO\n#SYLVO_VSET_ALL ${set}\n${syllable}\n`), 'reference.mml');
    runs.push(r.status === 0 ? decoder.decode(r.output).split('\n')[2] : null);
  }
  const failed = runs[0] === null;  // the voice set never makes a syllable fail
  $('ref-caption').textContent = failed ? t('{1} is not a syllable sylvo can convert: check the note and length.', syllable)
                                        : t('{1} under each voice set (#SYLVO_VSET_ALL n)', syllable);
  document.querySelector('#ref-table thead').hidden = failed;
  document.querySelector('#ref-table tbody').replaceChildren(...(failed ? [] : runs.map((run, set) => {
    const row = document.createElement('tr');
    const th = document.createElement('th');
    const td = document.createElement('td');
    th.scope = 'row';
    th.textContent = set;
    td.textContent = run;
    row.append(th, td);
    return row;
  })));
}
function buildKeys() {
  const buttons = window.sylvo.keys().map((key) => {
    const kana = window.sylvo.core().kana(key);
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'key';
    b.textContent = key;
    b.dataset.kana = kana;
    if (kana) b.title = kana;
    b.setAttribute('aria-pressed', key === chosen);
    b.addEventListener('click', () => {
      $('keys').querySelector('[aria-pressed="true"]')?.setAttribute('aria-pressed', 'false');
      b.setAttribute('aria-pressed', 'true');
      chosen = key;
      showReference();
    });
    return b;
  });
  $('keys').replaceChildren(...buttons);
}
// A syllable is found by its key or by its kana, in hiragana or katakana.
const hiragana = (text) => text.replace(/[\u30a1-\u30f6]/g, (c) => String.fromCharCode(c.charCodeAt(0) - 0x60));
$('search').addEventListener('input', () => {
  const typed = $('search').value.trim();
  const wanted = typed.toUpperCase(), kana = hiragana(typed);
  for (const b of $('keys').children) {
    b.hidden = !(b.textContent.includes(wanted) || (kana && b.dataset.kana === kana));
  }
});
$('search').addEventListener('keydown', (e) => {
  if (e.key === 'Enter') [...$('keys').children].find((b) => !b.hidden)?.click();
});
note.addEventListener('input', showReference);
length.addEventListener('input', showReference);

// ---- Start: the reference, then any edits kept from before a reload.
// The language switch, and the page's words in the language chosen.
for (const [tag, name] of Object.entries(languageNames())) $('language').append(new Option(name, tag));
$('language').value = pageLanguage();
const sayWords = (tag) => speak(window.sylvo.core(), tag, (language) => call('language', { tag: language }));
$('language').addEventListener('change', async () => {
  await sayWords($('language').value);
  describeFile();
  showReference();
  ++version;  // the problems, said anew
  await convertNow();
});

window.sylvo.ready.then(async () => {
  await sayWords();
  buildKeys();
  showReference();
  await convertNow();
  showEmpty();
  const draft = await readDraft().catch(() => undefined);
  if (!draft) return;
  $('draft-text').textContent = t('Unsaved edits to {1} from {2} were kept.', draft.name,
                                  new Date(draft.time).toLocaleString(pageLanguage()));
  $('draft').hidden = false;
  $('restore').onclick = () => {
    $('draft').hidden = true;
    file.chosen = draft.encoding;
    $('encoding').value = draft.encoding;
    openBytes(draft.bytes, draft.name, true);
  };
  $('discard').onclick = () => {
    $('draft').hidden = true;
    call('forget');
  };
});
