// The package's results are the native build's, bit for bit: the same scenes,
// built call for call, hashed after 600 steps. The native program is
// TANGLE_JS_SCENES, or the test command's build of it.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { tangle, repository } from './package.mjs';
import { pile, soft, jellies, hashPositions } from '../bench/scenes.mjs';
import { NativeScenes } from '../bench/native.mjs';

const program = process.env.TANGLE_JS_SCENES ?? path.join(repository, 'build/js/tangle_js_scenes');

const scenes = [
  ['the pile of 10,000 circles', 'pile 10000', () => pile(tangle, 10000)],
  ['jellies and blobs on slopes', 'soft 0', () => soft(tangle)],
  ['50 jellies', 'jellies 50', () => jellies(tangle, 50)],
];

test('600 steps give the native build\'s positions, bit for bit', async (t) => {
  assert.ok(fs.existsSync(program), `the native scene program ${program} is built`);
  const native = new NativeScenes(program);
  try {
    for (const [name, command, make] of scenes) {
      await t.test(name, async () => {
        const w = make();
        w.step(600);
        const ready = await native.ask(`scene ${command} 600`);
        assert.equal(ready[0], 'ready');
        const [, hash, , count] = await native.ask('hash');
        assert.equal(Number(count), w.massCount);
        assert.equal(hashPositions(w), hash);
        w.free();
      });
    }
  } finally {
    native.close();
  }
});
