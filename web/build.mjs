// Bundles the page's script into OUTDIR/sylvo.js: the editor (CodeMirror),
// the page, and the worker's own bundle inside it as text, so the page is one
// folder that loads nothing from elsewhere.
//   node build.mjs OUTDIR
import * as esbuild from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';

const here = import.meta.dirname;
const outdir = process.argv[2];
const common = { bundle: true, minify: true, format: 'iife', target: ['chrome100', 'firefox100', 'safari15'],
                 legalComments: 'eof', logLevel: 'warning' };

const worker = await esbuild.build({ ...common, entryPoints: [path.join(here, 'src/worker.js')], write: false });
const workerSource = {
  name: 'worker-source',
  setup(build) {
    build.onResolve({ filter: /^worker-source$/ }, (args) => ({ path: args.path, namespace: 'worker' }));
    build.onLoad({ filter: /.*/, namespace: 'worker' }, () => ({ contents: worker.outputFiles[0].text, loader: 'text' }));
  },
};
await esbuild.build({
  ...common,
  entryPoints: [path.join(here, 'src/main.js')],
  outfile: path.join(outdir, 'sylvo.js'),
  loader: { '.mml': 'binary' },
  plugins: [workerSource],
});

// The dictionary, for lyrics of kanji: kuromoji's worker, and the IPA
// dictionary's files, each a script of the page's folder, which the page
// loads only when lyrics need them.
const nodePath = {  // kuromoji joins paths with node's module
  name: 'path',
  setup(build) {
    build.onResolve({ filter: /^path$/ }, () => ({ path: path.join(here, 'src/path.js') }));
  },
};
const reader = await esbuild.build({ ...common, entryPoints: [path.join(here, 'src/dictionary.js')], write: false,
                                     plugins: [nodePath] });
const dict = path.join(here, 'node_modules/kuromoji/dict');
const files = Object.fromEntries(fs.readdirSync(dict).filter((f) => f.endsWith('.dat.gz')).sort()
  .map((f) => [f, fs.readFileSync(path.join(dict, f)).toString('base64')]));
fs.mkdirSync(path.join(outdir, 'dictionary'), { recursive: true });
fs.writeFileSync(path.join(outdir, 'dictionary/reader.js'),
  `self.sylvoReader = ${JSON.stringify(reader.outputFiles[0].text)};\n`);
fs.writeFileSync(path.join(outdir, 'dictionary/ipadic.js'), `self.sylvoDictionary = ${JSON.stringify(files)};\n`);
