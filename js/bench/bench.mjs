// kel-tangle side by side with Matter.js, Rapier and kel.tangle's native
// build, in one run: each scene is built in each engine, settled, then
// stepped in blocks, the engines taking turns block by block (in a new order
// each round), so that a busy machine slows them alike. Prints ms per step,
// the median over the rounds.
//
//   node js/bench/bench.mjs [--rounds 9] [--block 30] [--settle 300]
//                           [--native build-h39/js/tangle_js_scenes]
//                           [--package build-js/js/package] [--scenes pile2000,pile10000,jellies50]
//                           [--engines matter,rapier]   (kel-tangle and native always run)
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import * as scenes from './scenes.mjs';
import * as engines from './engines.mjs';
import { NativeScenes } from './native.mjs';

const options = {
  rounds: 9, block: 30, settle: 300, native: 'build-h39/js/tangle_js_scenes', package: 'build-js/js/package',
  scenes: 'pile2000,pile10000,jellies50', engines: 'matter,rapier',
};
for (let k = 2; k < process.argv.length; k += 2) {
  const key = process.argv[k].replace(/^--/, '');
  if (!(key in options)) throw new Error(`bench: unknown option ${process.argv[k]}`);
  options[key] = typeof options[key] === 'number' ? Number(process.argv[k + 1]) : process.argv[k + 1];
}
const tangle = await import(pathToFileURL(path.resolve(options.package, 'index.js')).href);

const makers = {
  pile2000: { native: 'pile 2000', tangle: () => scenes.pile(tangle, 2000), matter: () => engines.matterPile(2000), rapier: () => engines.rapierPile(2000) },
  pile10000: { native: 'pile 10000', tangle: () => scenes.pile(tangle, 10000), matter: () => engines.matterPile(10000), rapier: () => engines.rapierPile(10000) },
  jellies50: { native: 'jellies 50', tangle: () => scenes.jellies(tangle, 50), matter: () => engines.matterJellies(50), rapier: () => engines.rapierJellies(50) },
};

function median(values) {
  const s = [...values].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
}

function timeBlock(step, steps) {
  const start = performance.now();
  for (let k = 0; k < steps; ++k) step();
  return (performance.now() - start) / steps;
}

const native = new NativeScenes(options.native);
const results = [];
for (const name of options.scenes.split(',')) {
  const make = makers[name];
  const w = make.tangle();
  const others = options.engines.split(',').filter(Boolean);
  const runners = { 'kel-tangle (wasm)': { step: () => w.step(), free: () => w.free() } };
  if (others.includes('matter')) runners['matter-js'] = await make.matter();
  if (others.includes('rapier')) runners['rapier2d-compat'] = await make.rapier();
  for (const r of Object.values(runners)) for (let k = 0; k < options.settle; ++k) r.step();
  await native.ask(`scene ${make.native} ${options.settle}`);
  runners['kel.tangle native'] = { native: true };
  const times = Object.fromEntries(Object.keys(runners).map((n) => [n, []]));
  const order = Object.keys(runners);
  for (let round = 0; round < options.rounds; ++round) {
    for (let k = 0; k < order.length; ++k) {
      const engine = order[(k + round) % order.length];
      const r = runners[engine];
      times[engine].push(r.native ? Number((await native.ask(`step ${options.block}`))[1]) : timeBlock(r.step, options.block));
    }
  }
  for (const r of Object.values(runners)) r.free?.();
  const med = Object.fromEntries(Object.entries(times).map(([n, t]) => [n, median(t)]));
  results.push({ name, med });
  console.log(`\n${name}: ms per step, median of ${options.rounds} rounds of ${options.block} steps (after ${options.settle} to settle)`);
  for (const [n, m] of Object.entries(med)) console.log(`  ${n.padEnd(20)} ${m.toFixed(3)}`);
  const k = med['kel-tangle (wasm)'];
  const ratios = [];
  if (med['matter-js']) ratios.push(`Matter.js / kel-tangle ${(med['matter-js'] / k).toFixed(2)}x`);
  if (med['rapier2d-compat']) ratios.push(`Rapier / kel-tangle ${(med['rapier2d-compat'] / k).toFixed(2)}x`);
  ratios.push(`kel-tangle / native ${(k / med['kel.tangle native']).toFixed(2)}x`);
  console.log(`  ${ratios.join(', ')}`);
}
native.close();
