import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';

test.afterEach(freeWorlds);

// Two masses on a line above a floor zone, nothing moving.
function scene() {
  const w = world({ gravityY: 0 });
  const floor = w.addZone({ points: [0, 400, 640, 400, 640, 480, 0, 480], group: 5 });
  const a = w.addMass({ x: 100, y: 200, radius: 10, group: 5 });
  const b = w.addMass({ x: 300, y: 200, radius: 10 });
  return { w, floor, a, b };
}

test('a ray meets the first thing on its way, as a plain object', () => {
  const { w, floor, a, b } = scene();
  const hit = w.rayCast(0, 200, 640, 200);
  assert.equal(hit.mass, a, 'the very Mass object, not a copy');
  assert.equal(hit.zone, null);
  assert.deepEqual([hit.x, hit.y, hit.normalX, hit.normalY, hit.edge], [90, 200, -1, 0, -1]);
  const down = w.rayCast(300, 0, 300, 470);
  assert.equal(down.mass, b);
  const onFloor = w.rayCast(500, 0, 500, 470);
  assert.equal(onFloor.zone, floor);
  assert.equal(onFloor.edge, 0);
  assert.equal(w.rayCast(0, 100, 640, 100), null);
  const all = w.rayCastAll(0, 200, 640, 200);
  assert.deepEqual(all.map((h) => h.mass), [a, b], 'in order along the ray');
  assert.ok(all[0].fraction < all[1].fraction);
});

test('filters leave out masses, zones or what a group does not collide with', () => {
  const { w, floor, a, b } = scene();
  assert.equal(w.rayCast(0, 200, 640, 200, { masses: false }), null);
  assert.equal(w.rayCast(0, 200, 640, 200, { group: 5 }).mass, b, 'group 5 skips its own mass');
  assert.equal(w.rayCast(500, 0, 500, 470, { group: 5 }), null, 'and its own zone');
  assert.equal(w.rayCast(500, 0, 500, 470, { zones: true, masses: false }).zone, floor);
});

test('box and point queries find masses and zones', () => {
  const { w, floor, a, b } = scene();
  const box = w.queryBox(50, 150, 350, 250);
  assert.deepEqual(new Set(box.masses), new Set([a, b]));
  assert.deepEqual(box.zones, []);
  const point = w.queryPoint(105, 200);
  assert.deepEqual(point, { masses: [a], zones: [] });
  assert.deepEqual(w.queryPoint(320, 450), { masses: [], zones: [floor] });
  const near = w.nearestMass(130, 200, 50);
  assert.equal(near.mass, a);
  assert.equal(near.distance, 20);
  assert.equal(w.nearestMass(200, 100, 5), null);
});

test('contacts that begin and end come as arrays of plain objects', () => {
  const w = world({ gravityY: 0, trackContacts: true });
  const floor = w.addZone({ points: [0, 400, 640, 400, 640, 480, 0, 480] });
  const a = w.addMass({ x: 100, y: 300, radius: 10 });
  const b = w.addMass({ x: 140, y: 300, radius: 10 });
  const c = w.addMass({ x: 300, y: 300, radius: 10 });
  a.setVelocity(5, 0);
  c.setVelocity(0, 10);
  const begun = [];
  const ended = [];
  for (let k = 0; k < 20; ++k) {
    w.step();
    begun.push(...w.contactBegins());
    ended.push(...w.contactEnds());
  }
  assert.ok(begun.some((x) => x.kind === 'mass' && new Set([x.mass, x.other]).size === 2 &&
    [a, b].includes(x.mass) && [a, b].includes(x.other)));
  assert.ok(begun.some((x) => x.kind === 'zone' && x.other === floor && x.mass === c));
  assert.ok(begun.every((x) => typeof x.x === 'number' && typeof x.y === 'number'));
  c.moveTo(300, 100);
  w.step();
  ended.push(...w.contactEnds());
  assert.ok(ended.some((x) => x.kind === 'zone' && x.other === floor && x.mass === c), 'leaving the floor ends its contact');
});

test('collision groups: a fresh group keeps a body\'s masses apart from each other only', () => {
  const w = world({ gravityY: 0 });
  const g = w.newGroup();
  assert.ok(g < -1);
  const a = w.addMass({ x: 100, y: 100, radius: 10, group: g });
  const b = w.addMass({ x: 105, y: 100, radius: 10, group: g });
  const c = w.addMass({ x: 300, y: 100, radius: 10 });
  const d = w.addMass({ x: 305, y: 100, radius: 10 });
  w.step(5);
  assert.equal(b.x - a.x, 5, 'one group: they overlap on');
  assert.ok(d.x - c.x >= 19.9, 'different groups push apart');
  assert.equal(w.rayCast(0, 100, 640, 100).mass, a);
  assert.equal(w.rayCast(0, 100, 640, 100, { group: g }).mass, c, 'a query as the group skips its masses');
});
