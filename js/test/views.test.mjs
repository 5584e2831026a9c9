import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';

test.afterEach(freeWorlds);

test('positions, radii and links are views a renderer reads each frame', () => {
  const w = world();
  const a = w.addMass({ x: 10, y: 20, radius: 3 });
  const b = w.addMass({ x: 30, y: 20, radius: 5 });
  w.link(a, b);
  const blob = w.blob({ x: 300, y: 200, rim: 8 });
  const p = w.positions();
  assert.ok(p instanceof Float32Array);
  assert.equal(p.length, 2 * w.massCount);
  for (let k = 0; k < w.massCount; ++k) {
    const m = w.massAt(k);
    assert.deepEqual([p[2 * k], p[2 * k + 1]], [m.x, m.y]);
  }
  assert.deepEqual(Array.from(w.radii().subarray(0, 2)), [3, 5]);
  const links = w.links();
  assert.ok(links instanceof Uint32Array);
  // The link, then the blob's 8 rim links and its pressure's 8 edges.
  assert.equal(links.length, 2 * (1 + 8 + 8));
  assert.deepEqual(Array.from(links.subarray(0, 2)), [0, 1]);
  for (const i of links) assert.ok(i < w.massCount);
  void blob;
});

test('a view is the same array from frame to frame, refreshed in place', () => {
  const w = world();
  const m = w.addMass({ x: 100, y: 100 });
  const first = w.positions();
  w.step(10);
  const second = w.positions();
  assert.equal(second, first, 'no new array while memory did not grow');
  assert.equal(first[1], m.y, 'the old view reads the new place');
  // Enough new masses to grow the memory: the next call hands a new view.
  const before = tangle.memoryBytes();
  for (let k = 0; k < 200000 && tangle.memoryBytes() === before; ++k) w.addMass({ x: k % 600, y: 50 });
  assert.ok(tangle.memoryBytes() > before, 'memory grew');
  const third = w.positions();
  assert.notEqual(third, first);
  assert.equal(third.length, 2 * w.massCount);
  assert.equal(first.length === 0 || first.buffer !== third.buffer, true, 'the old view is over the old memory');
});
