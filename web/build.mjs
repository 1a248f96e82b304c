// Bundles the page's script into OUTDIR/sylvo.js: the editor (CodeMirror),
// the page, and the worker's own bundle inside it as text, so the page is one
// folder that loads nothing from elsewhere.
//   node build.mjs OUTDIR
import * as esbuild from 'esbuild';
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
