// The benchmark's scenes in Matter.js and Rapier, each built with that
// engine's nearest means to kel.tangle's (js/bench/scenes.mjs): the same
// places, radii, box and gravity, at 60 steps a second. Units are
// kel.tangle's (one step is 1/60 s, y grows downwards).
import Matter from 'matter-js';
import RAPIER from '@dimforge/rapier2d-compat';

const dt = 1000 / 60;

// Where the pile's masses start: rows of 116 from the floor of the box.
export function pileStarts(count) {
  const starts = [];
  for (let k = 0; k < count; ++k) {
    const row = Math.floor(k / 116);
    starts.push([5 + (k % 116) * 8.5 + (row % 2) * 8.5 * 0.25, 2000 - 5 - row * 8.5]);
  }
  return starts;
}

// Where the jellies' centres start, and their rim masses.
export function jellyStarts(count) {
  const jellies = [];
  for (let k = 0; k < count; ++k) {
    const x = 100 + (k % 10) * 140, y = 100 + Math.floor(k / 10) * 140;
    const rim = [];
    for (let r = 0; r < 16; ++r) rim.push([x + 30 * Math.cos((2 * Math.PI * r) / 16), y + 30 * Math.sin((2 * Math.PI * r) / 16)]);
    jellies.push({ x, y, rim });
  }
  return jellies;
}

// ---------------------------------------------------------------- Matter.js

function matterWorld(width, height, gravity) {
  const engine = Matter.Engine.create();
  // Matter's gravity is scaled by 0.001 and the step's square (in ms).
  engine.gravity.y = gravity / (engine.gravity.scale * dt * dt);
  const wall = (x, y, w, h) => Matter.Bodies.rectangle(x, y, w, h, { isStatic: true });
  Matter.Composite.add(engine.world, [
    wall(width / 2, height + 50, width + 200, 100), wall(width / 2, -50, width + 200, 100),
    wall(-50, height / 2, 100, height + 200), wall(width + 50, height / 2, 100, height + 200),
  ]);
  return engine;
}

export function matterPile(count) {
  const engine = matterWorld(1000, 2000, 0.15);
  const bodies = pileStarts(count).map(([x, y]) => Matter.Bodies.circle(x, y, 4, { friction: 0.5 }));
  const pairs = [];
  for (let k = 1; k < count; k += 2) pairs.push(Matter.Constraint.create({ bodyA: bodies[k - 1], bodyB: bodies[k], stiffness: 1 }));
  Matter.Composite.add(engine.world, [...bodies, ...pairs]);
  return { step: () => Matter.Engine.update(engine, dt), free: () => Matter.Engine.clear(engine) };
}

// Matter's soft bodies are composites of circles in a braced grid: 4 x 4 of
// radius 5 stands for a jelly of 16 rim masses round a centre.
export function matterJellies(count) {
  const engine = matterWorld(1600, 1000, 0.1);
  for (const { x, y } of jellyStarts(count)) {
    const jelly = Matter.Composites.softBody(x - 30, y - 30, 4, 4, 10, 10, true, 5, { friction: 0.5 }, { stiffness: 0.5 });
    Matter.Composite.add(engine.world, jelly);
  }
  return { step: () => Matter.Engine.update(engine, dt), free: () => Matter.Engine.clear(engine) };
}

// ---------------------------------------------------------------- Rapier

let rapierReady = null;

async function rapierWorld(width, height, gravity) {
  rapierReady ??= RAPIER.init();
  await rapierReady;
  const world = new RAPIER.World({ x: 0, y: gravity * 3600 });
  // Its tolerances scaled to these units: a mass is about 8 units across.
  world.lengthUnit = 8;
  const ground = world.createRigidBody(RAPIER.RigidBodyDesc.fixed());
  const wall = (x, y, hw, hh) => world.createCollider(RAPIER.ColliderDesc.cuboid(hw, hh).setTranslation(x, y), ground);
  wall(width / 2, height + 50, width / 2 + 100, 50);
  wall(width / 2, -50, width / 2 + 100, 50);
  wall(-50, height / 2, 50, height / 2 + 100);
  wall(width + 50, height / 2, 50, height / 2 + 100);
  return world;
}

// A ball of mass 1 at (x, y). Sleeping is off in every engine here, as it
// is in kel.tangle by default: the figures are what a step of the scene costs.
function rapierBall(world, x, y, radius) {
  const body = world.createRigidBody(RAPIER.RigidBodyDesc.dynamic().setTranslation(x, y).setCanSleep(false));
  world.createCollider(RAPIER.ColliderDesc.ball(radius).setDensity(1 / (Math.PI * radius * radius)).setFriction(0.5), body);
  return body;
}

export async function rapierPile(count) {
  const world = await rapierWorld(1000, 2000, 0.15);
  const starts = pileStarts(count);
  const bodies = starts.map(([x, y]) => rapierBall(world, x, y, 4));
  // Pairs held at their distance by a hinge halfway between them.
  for (let k = 1; k < count; k += 2) {
    const dx = (starts[k][0] - starts[k - 1][0]) / 2, dy = (starts[k][1] - starts[k - 1][1]) / 2;
    world.createImpulseJoint(RAPIER.JointData.revolute({ x: dx, y: dy }, { x: -dx, y: -dy }), bodies[k - 1], bodies[k], true);
  }
  return { step: () => world.step(), free: () => world.free() };
}

// Rapier's nearest to a jelly: balls joined by springs, rim to rim, rim to
// the one after next, and each to a centre ball.
export async function rapierJellies(count) {
  const world = await rapierWorld(1600, 1000, 0.1);
  const zero = { x: 0, y: 0 };
  const spring = (a, b, pa, pb) => world.createImpulseJoint(
    RAPIER.JointData.spring(Math.hypot(pa[0] - pb[0], pa[1] - pb[1]), 400, 20, zero, zero), a, b, true);
  for (const { x, y, rim } of jellyStarts(count)) {
    const centre = rapierBall(world, x, y, 5);
    const balls = rim.map(([bx, by]) => rapierBall(world, bx, by, 5));
    for (let r = 0; r < 16; ++r) {
      spring(balls[r], balls[(r + 1) % 16], rim[r], rim[(r + 1) % 16]);
      spring(balls[r], balls[(r + 2) % 16], rim[r], rim[(r + 2) % 16]);
      spring(centre, balls[r], [x, y], rim[r]);
    }
  }
  return { step: () => world.step(), free: () => world.free() };
}
