import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';
import { soft, hashPositions } from '../bench/scenes.mjs';

test.afterEach(freeWorlds);

test('a snapshot puts the world back exactly: the steps after it repeat bit for bit', () => {
  const w = soft(tangle);
  w.step(100);
  const snapshot = w.takeSnapshot();
  w.step(200);
  const after = hashPositions(w);
  const extra = w.addMass({ x: 800, y: 100 });
  w.restore(snapshot);
  assert.equal(extra.inWorld, false, 'what entered since leaves');
  w.step(200);
  assert.equal(hashPositions(w), after);
  snapshot.free();
  snapshot.free(); // a second free does nothing
  assert.throws(() => w.restore(snapshot), /removed/);
  w.free();
});

test('a world file holds everything, bodies too, and goes on bit for bit', () => {
  const w = soft(tangle);
  w.step(150);
  const bytes = w.save();
  assert.ok(bytes instanceof Uint8Array);
  assert.equal(new TextDecoder().decode(bytes.subarray(0, 4)), 'TNWF');
  const copy = world();
  const bodies = copy.load(bytes);
  assert.equal(bodies.length, 16, 'its 8 jellies and 8 blobs');
  assert.equal(copy.massCount, w.massCount);
  w.step(100);
  copy.step(100);
  assert.equal(hashPositions(copy), hashPositions(w));
  assert.throws(() => copy.load(new Uint8Array([1, 2, 3])), /not a world file/);
  assert.equal(copy.massCount, w.massCount, 'a refused file leaves the world as it was');
  w.free();
});

test('body and zone files come and go as bytes', () => {
  const w = world({ right: 1000, bottom: 1000 });
  const jelly = w.jelly({ x: 200, y: 200, material: { radius: 5, compliance: 0.2 } });
  const zone = w.addZone({ points: [0, 900, 1000, 950, 1000, 1000, 0, 1000], friction: 0.3 });
  const other = world({ right: 1000, bottom: 1000 });
  const body = other.loadBody(jelly.save());
  assert.equal(body.masses.length, jelly.masses.length);
  assert.deepEqual(body.masses.map((m) => [m.x, m.y]), jelly.masses.map((m) => [m.x, m.y]));
  assert.equal(body.constraints[0].compliance, Math.fround(0.2));
  const z = other.loadZone(zone.save());
  assert.deepEqual(z.points, zone.points);
  assert.equal(z.friction, zone.friction);
  assert.throws(() => other.loadBody(zone.save()), /not a body file/);
  assert.throws(() => other.loadZone(new Uint8Array(0)), /not a zone file/);
});

test('stacking modes: mode 2 keeps a round jelly where it lands', () => {
  const drift = (stacking) => {
    const w = world({ stacking, passes: 4 });
    w.addZone({ points: [0, 400, 640, 400, 640, 480, 0, 480] });
    const j = w.jelly({ x: 320, y: 360, radius: 30, material: { radius: 3 } });
    w.step(600);
    return Math.abs(j.masses[0].x - 320);
  };
  assert.ok(drift(2) < 1, `mode 2 stays (${drift(2)})`);
});
