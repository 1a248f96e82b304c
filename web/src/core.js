// The conversion core (sylvo-core.js, WebAssembly) behind a JavaScript call.
// The page's main thread and its worker each load one.

/// The core's factory: sylvo-core.js defines sylvoCore(), whose source text
/// is the whole core, so a worker can be made from it even where the page is
/// opened from a folder and may load no other file.
export const coreSource = () => `var createSylvoCore = (${self.sylvoCore})();\n`;

/// Loads a core; resolves to {convert, keys}. convert(bytes, nameBytes) gives what
/// sylvo gives for a file of that name holding `bytes`: {status, kind,
/// messageBytes, output, outputNameBytes, line, column}. `line` is the
/// failing byte's line (from 1; 0 if the failure is at no byte), `column` its
/// place in that line in bytes (from 0; -1 if not known). `output` is empty
/// after a failure. The name holds no zero byte. keys() lists the syllable keys.
export async function loadCore(factory) {
  const core = await factory();
  const cString = (at) => core.HEAPU8.slice(at, core.HEAPU8.indexOf(0, at));
  const convert = (bytes, nameBytes) => {
    const data = core._malloc(bytes.length + 1);
    const name = core._malloc(nameBytes.length + 1);
    core.HEAPU8.set(bytes, data);
    core.HEAPU8.set(nameBytes, name);
    core.HEAPU8[name + nameBytes.length] = 0;
    const at = core._sylvo_page_convert(data, bytes.length, name) >>> 2;
    core._free(data);
    core._free(name);
    const [status, message, messageSize, output, outputSize, outputName, line, column, kind] =
        core.HEAPU32.slice(at, at + 9);
    return {
      status,
      kind,
      messageBytes: core.HEAPU8.slice(message, message + messageSize),
      output: core.HEAPU8.slice(output, output + outputSize),
      outputNameBytes: cString(outputName),
      line,
      column: column | 0,
    };
  };
  const keys = () => new TextDecoder().decode(cString(core._sylvo_page_keys())).trim().split(' ');
  return { convert, keys };
}
