// The two editors (CodeMirror): the input, whose text maps exactly to the
// file's bytes (codec.js), and the read-only output.
import { autocompletion } from '@codemirror/autocomplete';
import { defaultKeymap, history, historyKeymap } from '@codemirror/commands';
import { highlightSelectionMatches, search, searchKeymap } from '@codemirror/search';
import { ChangeSet, Compartment, EditorSelection, EditorState, StateEffect, StateField, Transaction } from '@codemirror/state';
import {
  Decoration, drawSelection, EditorView, highlightActiveLine, highlightActiveLineGutter,
  highlightSpecialChars, hoverTooltip, keymap, lineNumbers, MatchDecorator, ViewPlugin,
} from '@codemirror/view';
import { charsInBytes, rawByte, unencodable } from './codec.js';
import { t } from './words.js';

// Lines end at LF only, as sylvo counts them; a CR is a character of its
// line, so CR LF, LF and a lone CR all come back as they were.
const lineSeparator = EditorState.lineSeparator.of('\n');

// Characters drawn as a small box: controls but tab, CR and LF; invisible
// marks; a byte-order mark; a byte with no character (codec.js) shown as its
// hex value; a CR that does not end a line.
const specials = /[\u0000-\u0008\u000b\u000c\u000e-\u001f\u007f-\u009f\u00ad\u061c\u200b-\u200f\u2028\u2029\u202a-\u202e\u2066-\u2069\ufeff\ufff9-\ufffc\udc00-\udcff]|\r(?!$)/gu;
function renderSpecial(code, description) {
  const box = document.createElement('span');
  const raw = rawByte(code);
  box.className = 'cm-byte';
  box.textContent = raw >= 0 ? raw.toString(16).toUpperCase().padStart(2, '0')
                             : code === 13 ? 'CR' : code === 0xfeff ? 'BOM' : code.toString(16).toUpperCase().padStart(2, '0');
  box.title = raw >= 0 ? t('byte 0x{1}: no character in this encoding; kept as it is', box.textContent)
                       : code === 0xfeff ? t('byte-order mark (EF BB BF)') : description;
  return box;
}

// The CR of a CR LF is not drawn: the status bar names the line ends.
const lineEndCr = new MatchDecorator({ regexp: /\r$/g, decoration: Decoration.replace({}) });
const hideLineEndCr = ViewPlugin.define((view) => ({
  decorations: lineEndCr.createDeco(view),
  update(u) { this.decorations = lineEndCr.updateDeco(u, this.decorations); },
}), { decorations: (v) => v.decorations });

const common = [lineSeparator, highlightSpecialChars({ specialChars: specials, render: renderSpecial }), hideLineEndCr,
                highlightActiveLineGutter(), drawSelection(), highlightActiveLine(), search(), highlightSelectionMatches()];

// ---- Marks set from outside the editor, until set again: the failing line
// and byte, and every problem a check found. They move with the text as it
// is edited. Each is an effect and the field it sets through `build`.
function markField(build) {
  const set = StateEffect.define();
  const field = StateField.define({
    create: () => Decoration.none,
    update(deco, tr) {
      deco = deco.map(tr.changes);
      for (const e of tr.effects) if (e.is(set)) deco = build(e.value);
      return deco;
    },
    provide: (f) => EditorView.decorations.from(f),
  });
  return { set, field };
}

const failure = markField((f) => !f ? Decoration.none : Decoration.set([
  Decoration.line({ class: 'cm-failing-line' }).range(f.lineFrom),
  ...(f.to > f.from ? [Decoration.mark({ class: 'cm-failing' }).range(f.from, f.to)] : []),
], true));

/// Marks the failure {lineFrom, from, to} in `view`, or clears it (null).
export const markFailure = (view, f) => view.dispatch({ effects: failure.set.of(f) });
/// Where the marked failing line starts now, or -1.
export function markedFailure(state) {
  const it = state.field(failure.field).iter();
  return it.value ? it.from : -1;
}

// Each problem with its message as the mark's title.
// ---- What the conversion reads, coloured: spans from the library
// (sylvo_spans) for the lines in view, [line, start, length, kind] in bytes
// a span, which move with the text as it is edited until set again.
const spanMarks = ['header', 'directive', 'hash', 'comment', 'syllable', 'key', 'override', 'note', 'length', 'l']
  .map((kind) => Decoration.mark({ class: `cm-sy-${kind}` }));
const syntax = markField(({ doc, spans, encoding }) => {
  const ranges = [];
  for (let i = 0; i + 3 < spans.length; i += 4) {
    if (spans[i] > doc.lines) break;
    const line = doc.line(spans[i]);
    const from = line.from + charsInBytes(line.text, spans[i + 1], encoding);
    const to = Math.min(line.from + charsInBytes(line.text, spans[i + 1] + spans[i + 2], encoding), line.to);
    if (to > from) ranges.push(spanMarks[spans[i + 3]].range(from, to));
  }
  return Decoration.set(ranges, true);
});
/// Colours the input with `spans` of its text as it is now, in `encoding`.
export const colour = (view, spans, encoding) =>
  view.dispatch({ effects: syntax.set.of({ doc: view.state.doc, spans, encoding }) });

// Each problem's message is shown on hover (see `assist`), not as a title.
const problems = markField((list) => Decoration.set(list.filter((p) => p.to > p.from).map((p) =>
  Decoration.mark({ class: `cm-problem cm-problem-${p.severity}`, attributes: { 'data-message': p.message } })
            .range(p.from, p.to)), true));

/// Marks the problems [{from, to, severity, message}] in `view`, in place of
/// those marked before.
export const markProblems = (view, list) => view.dispatch({ effects: problems.set.of(list) });

// ---- Edits, as the file's bytes want them. New line ends are the file's;
// an edit never splits a CR LF; a character the encoding cannot hold is
// refused. Undo and redo put back exactly what was there.
function byteFilter(file) {
  const splits = (doc, pos) => pos > 0 && pos < doc.length && doc.sliceString(pos - 1, pos + 1) === '\r\n';
  return EditorState.transactionFilter.of((tr) => {
    if (!tr.docChanged) return tr;
    const doc = tr.startState.doc;
    const restoring = tr.isUserEvent('undo') || tr.isUserEvent('redo');
    const specs = [];
    let changed = false, refused = null;
    tr.changes.iterChanges((fromA, toA, fromB, toB, inserted) => {
      let text = inserted.toString();
      if (!restoring) {
        const ends = text.replace(/\r\n|\r|\n/g, file.lineEnd);
        if (ends !== text) text = ends, changed = true;
        if (fromA === toA && splits(doc, fromA)) fromA = toA = fromA - 1, changed = true;
        if (fromA < toA && splits(doc, fromA)) --fromA, changed = true;
        if (fromA < toA && splits(doc, toA)) ++toA, changed = true;
      }
      refused = refused ?? unencodable(text, file.encoding);
      specs.push({ from: fromA, to: toA, insert: text });
    });
    if (refused !== null) {
      file.refuse(refused);
      return [];
    }
    if (!changed) return tr;
    for (let i = 1; i < specs.length; ++i) if (specs[i].from < specs[i - 1].to) return tr;
    const changes = ChangeSet.of(specs, doc.length, '\n');
    const after = changes.apply(doc);
    const selection = EditorSelection.create(tr.startState.selection.map(changes, 1).ranges.map((r) =>
      splits(after, r.head) ? EditorSelection.cursor(r.head - 1) : r));
    const event = tr.annotation(Transaction.userEvent);
    return { changes, selection, scrollIntoView: tr.scrollIntoView,
             annotations: event ? Transaction.userEvent.of(event) : [] };
  });
}

// ---- What the library says of a place, as the editor asks: completion
// and hover. `complete(state, pos)` resolves to {from, options} or null;
// `hover(view, pos)` to {from, to, dom} or null.
const assist = ({ complete, hover }) => [
  autocompletion({
    override: [async (context) => {
      // Only where a key or a directive may be typed: after '(', an
      // override's digit, a capital, '#' or '_', or when asked.
      if (!context.explicit && !context.matchBefore(/[(0-9A-Z#_]$/)) return null;
      const r = await complete(context.state, context.pos);
      return r && { from: r.from, options: r.options, validFor: /^[A-Z_]*$/ };
    }],
    icons: false,
  }),
  hoverTooltip(async (view, pos) => {
    const r = await hover(view, pos);
    return r && { pos: r.from, end: r.to, above: true, create: () => ({ dom: r.dom }) };
  }, { hideOnChange: true }),
];

/// The input editor in `parent`. `file` says how new text is written:
/// {encoding, lineEnd, refuse(char)}; onEdit is called with the update
/// after every edit; `asked` answers completion and hover (see `assist`).
export function inputEditor(parent, file, onEdit, asked) {
  const extensions = [
    common, lineNumbers(), history(), keymap.of([...defaultKeymap, ...historyKeymap, ...searchKeymap]), assist(asked),
    byteFilter(file), syntax.field, failure.field, problems.field,
    EditorView.updateListener.of((u) => { if (u.docChanged) onEdit(u); }),
    EditorView.contentAttributes.of({ 'aria-label': 'MML input', spellcheck: 'false' }),
  ];
  const view = new EditorView({ parent });
  const load = (text) => view.setState(EditorState.create({ doc: text, extensions }));
  load('');
  return { view, load };
}

// The output's line numbers: a part of the output starts at another line.
const numbering = new Compartment();
const numberedFrom = (first) => lineNumbers({ formatNumber: (n) => String(n + first - 1) });

/// The read-only output editor in `parent`.
export function outputEditor(parent) {
  return new EditorView({
    parent,
    state: EditorState.create({
      extensions: [common, numbering.of(numberedFrom(1)), EditorState.readOnly.of(true),
                   keymap.of([...defaultKeymap, ...searchKeymap]),
                   EditorView.contentAttributes.of({ 'aria-label': 'Converted MML' })],
    }),
  });
}

/// Shows `text` in the output editor as its lines from `first` on.
export function showOutputPart(view, text, first) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text },
                  effects: numbering.reconfigure(numberedFrom(first)) });
}
