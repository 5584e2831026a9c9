import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle } from './package.mjs';

// One of everything the package makes, stepped and freed.
function cycle() {
  const w = new tangle.World({ trackContacts: true });
  const a = w.addMass({ x: 100, y: 100 });
  const b = w.addMass({ x: 120, y: 100 });
  w.link(a, b);
  w.jelly({ x: 300, y: 100, rim: 8 });
  w.blob({ x: 450, y: 100, rim: 8 });
  w.rope({ x1: 50, y1: 300, x2: 150, y2: 300 });
  w.addZone({ points: [0, 400, 640, 400, 640, 480, 0, 480] });
  w.step(2);
  w.rayCastAll(0, 100, 640, 100);
  w.contactBegins();
  w.positions();
  w.links();
  const s = w.takeSnapshot();
  w.restore(s);
  s.free();
  w.free();
}

test('a world and everything in it, made and freed 10,000 times, grows no memory', () => {
  for (let k = 0; k < 200; ++k) cycle(); // the allocator's pools reach their size
  const before = tangle.memoryBytes();
  for (let k = 0; k < 10000; ++k) cycle();
  assert.equal(tangle.memoryBytes(), before);
  assert.equal(tangle.liveWorldCount(), 0);
});
