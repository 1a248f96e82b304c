// The page around the conversion core (sylvo-core.js). Files are handled as
// bytes and converted as bytes; text is decoded only to be shown.
'use strict';

// window.sylvo: `ready`, a promise for the core; `convert(bytes, name)`,
// which gives what `sylvo NAME` gives for a file NAME holding `bytes`:
// {status, message, messageBytes, output, outputName}.
window.sylvo = (() => {
  let core = null;
  const ready = createSylvoCore().then((module) => { core = module; });

  // The zero-terminated bytes at `at` in the core's memory.
  function cString(at) {
    const heap = core.HEAPU8;
    let end = at;
    while (heap[end] !== 0) ++end;
    return heap.slice(at, end);
  }

  function convert(bytes, name = 'input.mml') {
    if (!core) throw new Error('sylvo: the core is not loaded yet; wait for sylvo.ready');
    const nameBytes = new TextEncoder().encode(name + '\0');
    const data = core._malloc(bytes.length + 1);
    const namePtr = core._malloc(nameBytes.length);
    core.HEAPU8.set(bytes, data);
    core.HEAPU8.set(nameBytes, namePtr);
    const result = core._sylvo_convert(data, bytes.length, namePtr) >>> 2;
    core._free(data);
    core._free(namePtr);
    const [status, message, messageSize, output, outputSize, outputName] =
        core.HEAPU32.slice(result, result + 6);
    const messageBytes = core.HEAPU8.slice(message, message + messageSize);
    return {
      status,
      message: new TextDecoder().decode(messageBytes),
      messageBytes,
      output: core.HEAPU8.slice(output, output + outputSize),
      outputName: new TextDecoder().decode(cString(outputName)),
    };
  }

  function keys() {
    return new TextDecoder().decode(cString(core._sylvo_keys())).trim().split(' ');
  }

  return { ready, convert, keys };
})();

(() => {
  const $ = (id) => document.getElementById(id);
  const input = $('input'), output = $('output'), status = $('status'), save = $('save');
  const encoding = $('encoding'), highlights = $('highlights'), drop = $('drop');
  let bytes = new Uint8Array(0);  // what is converted: the file's bytes, or the typed text
  let name = 'untitled.mml';
  let result = null;

  // Shift-JIS unless the bytes are valid UTF-8, or as chosen.
  function shownEncoding(data) {
    if (encoding.value !== 'auto') return encoding.value;
    try {
      new TextDecoder('utf-8', { fatal: true }).decode(data);
      return 'utf-8';
    } catch (e) {
      return 'shift_jis';
    }
  }
  const show = (data) => new TextDecoder(shownEncoding(bytes)).decode(data);

  // Marks line `n` (1-based) of the input, or none, and scrolls it into view.
  function markLine(n) {
    const lines = input.value.split('\n');
    highlights.replaceChildren();
    lines.forEach((line, i) => {
      const text = line + (i < lines.length - 1 ? '\n' : '');
      if (i + 1 === n) {
        const mark = document.createElement('mark');
        mark.textContent = text || ' ';
        highlights.append(mark);
      } else {
        highlights.append(text);
      }
    });
    if (n) {
      const lineHeight = parseFloat(getComputedStyle(input).lineHeight);
      input.scrollTop = Math.max(0, (n - 3) * lineHeight);
    }
    syncScroll();
  }
  function syncScroll() {
    highlights.style.transform = `translate(${-input.scrollLeft}px, ${-input.scrollTop}px)`;
  }

  function run() {
    result = window.sylvo.convert(bytes, name);
    const text = new TextDecoder(shownEncoding(bytes)).decode(result.messageBytes).trim();
    status.textContent = text;
    status.classList.toggle('failed', result.status !== 0);
    output.value = result.status === 0 ? show(result.output) : '';
    save.disabled = result.status !== 0;
    $('out-name').textContent = result.status === 0 ? result.outputName : '';
    const line = /line:(\d+)/.exec(result.message);
    markLine(result.status !== 0 && line ? Number(line[1]) : 0);
  }

  async function openFile(file) {
    bytes = new Uint8Array(await file.arrayBuffer());
    name = file.name;
    $('file-name').textContent = name;
    input.value = show(bytes);
    run();
  }

  let pending = 0;
  input.addEventListener('input', () => {
    bytes = new TextEncoder().encode(input.value);  // typed text is UTF-8
    clearTimeout(pending);
    pending = setTimeout(run, bytes.length > 200000 ? 300 : 60);
  });
  input.addEventListener('scroll', syncScroll);
  encoding.addEventListener('change', () => {
    input.value = show(bytes);
    run();
  });
  $('open').addEventListener('click', () => $('file').click());
  $('file').addEventListener('change', (e) => e.target.files[0] && openFile(e.target.files[0]));
  drop.addEventListener('dragover', (e) => {
    e.preventDefault();
    drop.classList.add('dragging');
  });
  drop.addEventListener('dragleave', () => drop.classList.remove('dragging'));
  drop.addEventListener('drop', (e) => {
    e.preventDefault();
    drop.classList.remove('dragging');
    if (e.dataTransfer.files[0]) openFile(e.dataTransfer.files[0]);
  });
  save.addEventListener('click', () => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([result.output], { type: 'application/octet-stream' }));
    link.download = result.outputName;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  });

  // The reference: what a syllable becomes under each voice set, as the
  // core converts it.
  const keys = $('keys'), search = $('search'), note = $('ref-note'), length = $('ref-length');
  let chosen = 'KA';
  function showReference() {
    const syllable = `(${chosen})${note.value}${length.value}`;
    $('ref-caption').textContent = `${syllable} under each voice set (#SYLVO_VSET_ALL n)`;
    const rows = [];
    for (let set = 0; set <= 9; ++set) {
      const text = `#SYLVO\n#SYLVO_VSET_ALL ${set}\n${syllable}\n`;
      const r = window.sylvo.convert(new TextEncoder().encode(text), 'reference.mml');
      const got = r.status === 0 ? new TextDecoder().decode(r.output).split('\n')[2] : r.message.trim();
      const row = document.createElement('tr');
      const th = document.createElement('th');
      const td = document.createElement('td');
      th.scope = 'row';
      th.textContent = set;
      td.textContent = got;
      row.append(th, td);
      rows.push(row);
    }
    document.querySelector('#ref-table tbody').replaceChildren(...rows);
  }
  function showKeys() {
    const wanted = search.value.trim().toUpperCase();
    const buttons = window.sylvo.keys().filter((k) => k.includes(wanted)).map((key) => {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'key';
      b.textContent = key;
      b.setAttribute('aria-pressed', key === chosen);
      b.addEventListener('click', () => {
        chosen = key;
        showKeys();
        showReference();
      });
      return b;
    });
    keys.replaceChildren(...buttons);
  }
  search.addEventListener('input', showKeys);
  search.addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && keys.firstChild) keys.firstChild.click();
  });
  note.addEventListener('input', showReference);
  length.addEventListener('input', showReference);

  window.sylvo.ready.then(() => {
    showKeys();
    showReference();
    run();
  });
})();
