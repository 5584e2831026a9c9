import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';

test.afterEach(freeWorlds);



test('a world takes its definition, with the library defaults for what is left out', () => {
  const w = world({ right: 800, gravityY: 0.2, passes: 6, stacking: 2, sleepSpeed: 0.01, sleepSteps: 12 });
  assert.deepEqual(w.bounds, { left: 0, top: 0, right: 800, bottom: 480 });
  assert.equal(w.gravityX, 0);
  assert.equal(Math.fround(0.2), w.gravityY);
  assert.equal(w.passes, 6);
  assert.equal(w.stacking, 2);
  assert.equal(w.continuous, true);
  assert.equal(w.trackContacts, false);
  assert.deepEqual(w.sleep, { speed: Math.fround(0.01), steps: 12 });
  assert.equal(w.massCount, 0);
});

test('settings change the step they are made for', () => {
  const w = world({ bottom: 10000 });
  const m = w.addMass({ x: 100, y: 100 });
  w.setGravity(0.5, 0);
  w.step(10);
  assert.ok(m.x > 100 && m.y === 100, 'gravity along x moves the mass along x only');
  w.passes = 2;
  w.friction = 0.25;
  w.stacking = 3;
  w.continuous = false;
  w.cellSize = 12;
  w.bounds = { left: -100, top: -50, right: 500, bottom: 400 };
  assert.deepEqual([w.passes, w.friction, w.stacking, w.continuous, w.cellSize], [2, 0.25, 3, false, 12]);
  assert.deepEqual(w.bounds, { left: -100, top: -50, right: 500, bottom: 400 });
  w.step(200);
  assert.ok(m.x <= 500 - m.radius + 1e-3, 'the new bounds hold the mass');
});

test('several worlds step side by side without touching each other', () => {
  const a = world();
  const b = world({ gravityY: -0.1, bottom: 1000 });
  const ma = a.addMass({ x: 50, y: 50 });
  const mb = b.addMass({ x: 50, y: 500 });
  for (let k = 0; k < 30; ++k) {
    a.step();
    b.step();
  }
  assert.ok(ma.y > 50 && mb.y < 500);
  assert.equal(a.massCount, 1);
  assert.equal(b.massCount, 1);
});

test('sleeping islands drop out of the step, and threads are refused where there are none', () => {
  const w = world({ sleepSpeed: 0.05, sleepSteps: 10, stacking: 2 });
  w.addZone({ points: [0, 400, 640, 400, 640, 480, 0, 480] });
  const j = w.jelly({ x: 300, y: 340, radius: 30, material: { radius: 4 } });
  w.step(600);
  assert.equal(w.awakeCount, 0, 'the jelly rests and sleeps');
  j.masses[0].addVelocity(0, -2);
  assert.equal(w.awakeCount, j.masses.length, 'a push wakes the whole island');
  assert.equal(w.threads, 1);
  if (!tangle.hasThreads) assert.throws(() => { w.threads = 2; }, /one thread/);
});
