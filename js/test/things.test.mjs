import test from 'node:test';
import assert from 'node:assert/strict';
import { tangle, world, freeWorlds } from './package.mjs';

test.afterEach(freeWorlds);

const { Mass, Zone, Body } = tangle;

test('masses: made, read and changed', () => {
  const w = world();
  const m = w.addMass({ x: 10, y: 20, mass: 2, radius: 5, friction: 0.3, group: 7 });
  assert.ok(m instanceof Mass);
  assert.deepEqual([m.x, m.y, m.mass, m.radius, m.group], [10, 20, 2, 5, 7]);
  assert.equal(m.friction, Math.fround(0.3));
  m.moveTo(100, 50);
  m.setVelocity(3, 0);
  assert.deepEqual([m.x, m.y, m.vx, m.vy], [100, 50, 3, 0]);
  m.frozen = true;
  w.step(5);
  assert.deepEqual([m.x, m.y, m.frozen], [100, 50, true], 'a frozen mass stays');
  m.frozen = false;
  m.bullet = true;
  assert.equal(m.bullet, true);
  m.remove();
  assert.equal(w.massCount, 0);
});

test('constraints of every kind, with stiffness or compliance', () => {
  const w = world({ gravityY: 0 });
  const ring = [[100, 100], [140, 100], [140, 140], [100, 140]].map(([x, y]) => w.addMass({ x, y }));
  const link = w.link(ring[0], ring[1], { restLength: 60 });
  assert.equal(link.kind, 'distance');
  assert.deepEqual(link.masses, [ring[0], ring[1]]);
  w.step(50);
  assert.ok(Math.abs(link.length - 60) < 0.5, `the link reaches its rest length (${link.length})`);
  assert.ok(Math.abs(link.stress - link.length / 60) < 1e-6);
  link.stiffness = 0.5;
  assert.equal(link.stiffness, 0.5);
  link.setCompliance(0.1, 0.5);
  assert.deepEqual([link.compliance, link.damping], [Math.fround(0.1), 0.5]);
  link.setCompliance(null);
  assert.equal(link.compliance, null);

  const pressure = w.pressure(ring, { restArea: 4000 });
  assert.equal(pressure.kind, 'pressure');
  assert.equal(pressure.restLength, 4000);
  const angle = w.angle(ring[0], ring[1], ring[2], { stiffness: 0.5, limits: [30, 200] });
  assert.equal(angle.kind, 'angle');
  assert.deepEqual(angle.limits, [30, 200]);
  assert.equal(w.shapeMatch(ring).kind, 'shape');
  const skin = w.skin(ring, { closed: true });
  assert.equal(skin.kind, 'skin');
  assert.equal(w.constraintCount, 5);
  skin.remove();
  assert.equal(w.constraintCount, 4);
});

test('zones of every style collide as their style says', () => {
  for (const [style, inside] of [['fill', false], ['loop', true], ['hole', true], ['line', true]]) {
    const w = world({ gravityY: 0 });
    const z = w.addZone({ points: [200, 200, 300, 200, 300, 300, 200, 300], style });
    assert.ok(z instanceof Zone);
    assert.equal(z.style, style);
    const m = w.addMass({ x: 250, y: 250, radius: 3 });
    w.step(20);
    const stillInside = m.x > 200 && m.x < 300 && m.y > 200 && m.y < 300;
    assert.equal(stillInside, inside, `a mass inside a ${style} zone ${inside ? 'stays' : 'is pushed out'}`);
  }
  const w = world();
  const z = w.addZone({ points: [0, 0, 10, 0, 10, 10], x: 5, y: 6, angle: 30, scaleX: 2, friction: 0.1 });
  assert.deepEqual([z.x, z.y, z.angle, z.scaleX, z.scaleY], [5, 6, 30, 2, 1]);
  z.setScale(3);
  z.moveTo(1, 2);
  z.group = 4;
  z.friction = 0.25;
  assert.deepEqual([z.x, z.y, z.scaleX, z.scaleY, z.group, z.friction, z.inWorld], [1, 2, 3, 3, 4, 0.25, true]);
  assert.deepEqual(z.points, [0, 0, 10, 0, 10, 10]);
  z.style = 'line';
  assert.equal(z.style, 'line');
  z.remove();
  assert.equal(w.zoneCount, 0);
});

test('builders follow their documented numbering, with defaults for every field', () => {
  const w = world({ right: 2000, bottom: 2000 });
  const jelly = w.jelly({ x: 300, y: 300 });
  assert.ok(jelly instanceof Body);
  assert.equal(jelly.masses.length, 17, 'the centre and 16 on the rim');
  assert.deepEqual([jelly.masses[0].x, jelly.masses[0].y], [300, 300]);
  assert.deepEqual([jelly.masses[1].x, jelly.masses[1].y], [330, 300], 'rim mass 0 at 0 degrees');
  assert.equal(w.jelly({ x: 600, y: 300, interior: 'mesh', rim: 12 }).masses.length, 25);
  const blob = w.blob({ x: 900, y: 300, radius: 40 });
  assert.equal(blob.masses.length, 24);
  assert.equal(blob.constraints[24].kind, 'pressure', 'constraint rim is the pressure');
  const rope = w.rope({ x1: 100, y1: 800, x2: 300, y2: 800, segmentLength: 20, freezeStart: true });
  assert.equal(rope.masses.length, 11);
  assert.equal(rope.masses[0].frozen, true);
  const cloth = w.cloth({ x: 1000, y: 100, columns: 5, rows: 4, shear: true });
  assert.equal(cloth.masses.length, 20);
  assert.equal(cloth.constraints.length, 4 * 4 + 5 * 3 + 2 * 4 * 3);
  const star = w.softShape({ outline: [0, -50, 15, -15, 50, 0, 15, 15, 0, 50, -15, 15, -50, 0, -15, -15].map((v, k) => v + (k % 2 ? 1500 : 1500)), spacing: 12 });
  assert.ok(star.masses.length > 8);
  assert.ok(star.constraints.some((c) => c.kind === 'shape'));
  assert.throws(() => w.jelly({ rim: 2 }), /cannot make a shape/);
  assert.throws(() => w.blob({ radius: 10, colour: 'red' }), /no field "colour"/);
});

test('bodies move, turn and tear as one', () => {
  const w = world({ gravityY: 0, right: 2000, bottom: 2000 });
  const jelly = w.jelly({ x: 500, y: 500 });
  jelly.translate(100, 50);
  assert.deepEqual([jelly.x, jelly.y], [600, 550]);
  jelly.moveTo(200, 200);
  assert.deepEqual([jelly.x, jelly.y], [200, 200]);
  const cloth = w.cloth({ x: 1000, y: 100, columns: 4, rows: 4, pinTop: true, material: { radius: 2 } });
  cloth.masses[15].moveTo(1900, 1900);
  const torn = cloth.tear(1.5);
  assert.ok(torn > 0);
  assert.equal(cloth.constraints.filter((c) => c === null).length, torn, 'torn slots stay empty');
  const stick = w.rope({ x1: 100, y1: 100, x2: 200, y2: 100, count: 2 });
  assert.equal(stick.rotation, 0);
  stick.rotateTo(90);
  assert.ok(Math.abs(stick.rotation - 90) < 1e-3, 'pointing down the screen');
  assert.ok(Math.abs(stick.masses[1].x - 100) < 1e-3 && Math.abs(stick.masses[1].y - 200) < 1e-3);
  stick.turn(-45);
  assert.ok(Math.abs(stick.rotation - 45) < 1e-3);
  stick.spin(5);
  assert.ok(stick.masses[1].vx !== 0 || stick.masses[1].vy !== 0, 'a spin is a velocity');
  stick.push(0, 3);
  assert.equal(stick.masses[0].vy, 3);
  jelly.remove();
  assert.throws(() => jelly.x, /removed/);
});
