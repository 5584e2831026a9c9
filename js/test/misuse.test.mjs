import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';
import { soft, hashPositions } from '../bench/scenes.mjs';

test.afterEach(freeWorlds);

test('numbers that are not finite, or out of range, throw RangeError and change nothing', () => {
  const w = world();
  const m = w.addMass({ x: 10, y: 10 });
  for (const bad of [NaN, Infinity, -Infinity]) {
    assert.throws(() => w.addMass({ x: bad }), RangeError);
    assert.throws(() => m.moveTo(bad, 0), RangeError);
    assert.throws(() => { m.radius = bad; }, RangeError);
    assert.throws(() => w.setGravity(0, bad), RangeError);
    assert.throws(() => w.rayCast(0, 0, bad, 0), RangeError);
    assert.throws(() => w.jelly({ material: { mass: bad } }), RangeError);
    assert.throws(() => w.addZone({ points: [0, 0, bad, 0] }), RangeError);
    assert.throws(() => w.step(bad), RangeError);
  }
  assert.throws(() => new tangle.World({ stacking: 4 }), RangeError);
  assert.throws(() => new tangle.World({ passes: 1.5 }), RangeError);
  assert.throws(() => { w.stacking = -1; }, RangeError);
  assert.throws(() => w.addMass({ mass: 0 }), RangeError);
  assert.throws(() => w.addZone({ points: [0, 0, 1] }), RangeError);
  assert.throws(() => w.angle(m, w.addMass({}), w.addMass({ x: 5 }), { limits: [200, 100] }), RangeError);
  assert.throws(() => w.massAt(1000), RangeError);
  assert.deepEqual([m.x, m.y], [10, 10]);
});

test('wrong types and unknown fields throw TypeError', () => {
  const w = world();
  assert.throws(() => new tangle.World({ gravity: 1 }), /no field "gravity"/);
  assert.throws(() => w.addMass({ x: '10' }), TypeError);
  assert.throws(() => w.addMass(7), TypeError);
  assert.throws(() => w.link({ _h: 1 }, w.addMass({})), TypeError);
  assert.throws(() => w.pressure('abc'), TypeError);
  assert.throws(() => w.addZone({ points: [0, 0, 10, 0], style: 'solid' }), RangeError);
  assert.throws(() => w.loadBody([1, 2, 3]), TypeError);
  assert.throws(() => { w.continuous = 1; }, TypeError);
});

test('freed and removed objects, and masses of another world, throw Error', () => {
  const w = world();
  const other = world();
  const a = w.addMass({ x: 1, y: 1 });
  const foreign = other.addMass({ x: 2, y: 2 });
  assert.throws(() => w.link(a, foreign), /another world/);
  assert.throws(() => w.pressure([a, w.addMass({}), foreign]), /another world/);
  assert.throws(() => w.link(a, a), /two different masses/);
  const b = w.addMass({ x: 3, y: 3 });
  const link = w.link(a, b);
  b.remove();
  assert.throws(() => b.x, /mass was removed/);
  assert.throws(() => b.remove(), /removed/);
  assert.equal(link.inWorld, false, 'a constraint on a removed mass leaves the world');
  const jelly = w.jelly({ x: 300, y: 200 });
  assert.throws(() => jelly.masses[3].remove(), /not a mass added alone/);
  assert.throws(() => jelly.constraints[0].remove(), /remove the body/);
  other.free();
  assert.throws(() => foreign.x, /world of this mass was freed/);
  assert.throws(() => other.step(), /world was freed/);
  other.free(); // twice does nothing
});

test('misuse leaves the world as a clean run has it', () => {
  const clean = soft(tangle);
  clean.step(120);
  const misused = soft(tangle);
  const stray = world();
  const strayMass = stray.addMass({});
  for (let k = 0; k < 120; ++k) {
    misused.step();
    assert.throws(() => misused.link(strayMass, misused.massAt(0)));
    assert.throws(() => misused.massAt(0).moveTo(NaN, 0));
    assert.throws(() => misused.jelly({ rim: -3 }));
    assert.throws(() => misused.addZone({ points: [] }));
  }
  assert.equal(hashPositions(misused), hashPositions(clean));
  clean.free();
  misused.free();
});
