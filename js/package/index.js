// kel-tangle: kel.tangle, the soft-body physics library, for JavaScript.
//
// A thin ES module over the WebAssembly module's C interface (its handles
// and buffers are described in js/binding/binding.h): it validates every
// argument before it crosses, so a bad one throws here and never reaches
// the library, and it keeps one wrapper object per thing, so that a mass
// found by a query is the very Mass object it was made as.

import createTangleModule from './dist/kel-tangle.mjs';

// Node reads the WebAssembly from beside this file; a browser fetches it from
// there by itself.
const inNode = typeof process === 'object' && typeof process.versions?.node === 'string';
const wasmBinary = inNode
  ? await (await import('node:fs/promises')).readFile(new URL('./dist/kel-tangle.wasm', import.meta.url))
  : undefined;
const M = await createTangleModule(wasmBinary ? { wasmBinary } : {});

// ---------------------------------------------------------------- checks

function fail(message) {
  throw new Error(`kel-tangle: ${message}`);
}

function finite(name, v) {
  if (typeof v !== 'number') throw new TypeError(`kel-tangle: ${name} must be a number, not ${typeof v}`);
  if (!Number.isFinite(v)) throw new RangeError(`kel-tangle: ${name} must be finite, not ${v}`);
  return v;
}

function integer(name, v, min = -2147483648, max = 2147483647) {
  finite(name, v);
  if (!Number.isInteger(v) || v < min || v > max) {
    throw new RangeError(`kel-tangle: ${name} must be a whole number in ${min} ... ${max}, not ${v}`);
  }
  return v;
}

function boolean(name, v) {
  if (typeof v !== 'boolean') throw new TypeError(`kel-tangle: ${name} must be true or false, not ${v}`);
  return v;
}

// A definition object against its field table: unknown names are refused (a
// misspelt field would otherwise be ignored without a word), missing ones
// take the default. Each field: [name, kind, default], kind one of 'num',
// 'int', 'bool', 'opt' (a number 0 or more, or null for none: -1 below),
// or a list of names (an enumeration, passed as its index).
function fieldsOf(what, table, def) {
  if (def === undefined || def === null) def = {};
  if (typeof def !== 'object' || Array.isArray(def)) throw new TypeError(`kel-tangle: ${what} must be an object`);
  const known = new Set(table.map((f) => f[0]));
  for (const key of Object.keys(def)) {
    if (!known.has(key)) throw new TypeError(`kel-tangle: ${what} has no field "${key}"`);
  }
  return table.map(([name, kind, fallback]) => {
    const v = def[name] === undefined ? fallback : def[name];
    const label = `${what}.${name}`;
    if (Array.isArray(kind)) {
      const at = kind.indexOf(v);
      if (at < 0) throw new RangeError(`kel-tangle: ${label} must be one of ${kind.join(', ')}, not ${v}`);
      return at;
    }
    switch (kind) {
      case 'num': return finite(label, v);
      case 'int': return integer(label, v);
      case 'bool': return boolean(label, v) ? 1 : 0;
      case 'opt':
        if (v === null) return -1;
        if (finite(label, v) < 0) throw new RangeError(`kel-tangle: ${label} must be 0 or more, or null`);
        return v;
      default: throw new Error(`kel-tangle: bad field table for ${label}`);
    }
  });
}

// ---------------------------------------------------------------- memory

function putNumbers(values) {
  const at = M._tg_in(values.length);
  M.HEAPF64.set(values, at >> 3);
}

function putBytes(bytes) {
  if (!(bytes instanceof Uint8Array)) throw new TypeError('kel-tangle: the file must be a Uint8Array');
  const at = M._tg_in_bytes(bytes.length);
  M.HEAPU8.set(bytes, at);
}

function lastError() {
  return M.UTF8ToString(M._tg_error());
}

// ---------------------------------------------------------------- tables

const worldFields = [
  ['left', 'num', 0], ['top', 'num', 0], ['right', 'num', 640], ['bottom', 'num', 480],
  ['gravityX', 'num', 0], ['gravityY', 'num', 0.1], ['passes', 'int', 4], ['friction', 'num', 1],
  ['grid', 'bool', true], ['largestRadius', 'num', 10], ['cellSize', 'num', 0],
  ['stacking', 'int', 0], ['sleepSpeed', 'num', 0], ['sleepSteps', 'int', 30],
  ['continuous', 'bool', true], ['trackContacts', 'bool', false],
];

const materialFields = [
  ['mass', 'num', 1], ['radius', 'num', 4], ['friction', 'num', 0.5], ['stiffness', 'num', 1],
  ['group', 'int', -1], ['compliance', 'opt', null], ['damping', 'num', 1],
];

// The numbers of the C interface's settings, properties and operations, as
// js/binding/codes.h has them, in the same order.
const numbered = (...names) => Object.freeze(Object.fromEntries(names.map((n, k) => [n, k])));
const code = {
  setWorld: numbered('gravity', 'passes', 'friction', 'bounds', 'stacking', 'sleep', 'continuous',
    'trackContacts', 'cellSize', 'threads'),
  world: numbered('gravityX', 'gravityY', 'passes', 'friction', 'stacking', 'sleepSpeed', 'sleepSteps',
    'continuous', 'trackContacts', 'cellSize', 'threads', 'massCount', 'constraintCount', 'zoneCount',
    'awakeCount', 'nonFiniteCount', 'left', 'top', 'right', 'bottom'),
  mass: numbered('x', 'y', 'vx', 'vy', 'mass', 'radius', 'friction', 'group', 'frozen', 'bullet', 'awake',
    'inWorld'),
  setMass: numbered('moveTo', 'setVelocity', 'push', 'translate', 'mass', 'radius', 'friction', 'group',
    'frozen', 'bullet', 'addVelocity'),
  constraint: numbered('kind', 'restLength', 'stiffness', 'compliance', 'damping', 'length', 'stress',
    'inWorld', 'lowerLimit', 'upperLimit'),
  setConstraint: numbered('restLength', 'stiffness', 'compliance', 'limits'),
  ring: numbered('pressure', 'shape', 'skin'),
  zone: numbered('style', 'friction', 'x', 'y', 'angle', 'scaleX', 'scaleY', 'group', 'vertices', 'inWorld'),
  setZone: numbered('moveTo', 'rotate', 'scale', 'friction', 'group', 'style'),
  builder: numbered('rope', 'cloth', 'jelly', 'blob', 'shape'),
  body: numbered('translate', 'push', 'moveTo', 'rotateTo', 'turn', 'spin', 'tear'),
  bodyReading: numbered('x', 'y', 'rotation'),
  kind: numbered('mass', 'constraint', 'zone', 'body', 'snapshot'),
  file: numbered('world', 'body', 'zone'),
  view: numbered('positions', 'radii', 'pairs'),
};
// What a query or a contact found, by the number before each handle.
const found = [null, 'mass', 'zone', 'bounds'];

// Builders: their fields in the C interface's order.
const builders = {
  rope: [code.builder.rope, [
    ['x1', 'num', 0], ['y1', 'num', 0], ['x2', 'num', 100], ['y2', 'num', 0], ['count', 'int', 0],
    ['segmentLength', 'num', 10], ['freezeStart', 'bool', false], ['freezeEnd', 'bool', false],
    ['skin', 'bool', false]]],
  cloth: [code.builder.cloth, [
    ['x', 'num', 0], ['y', 'num', 0], ['columns', 'int', 10], ['rows', 'int', 10], ['spacing', 'num', 10],
    ['pinTop', 'bool', true], ['shear', 'bool', false], ['bend', 'bool', false], ['skin', 'bool', false]]],
  jelly: [code.builder.jelly, [
    ['x', 'num', 0], ['y', 'num', 0], ['radius', 'num', 30], ['rim', 'int', 16],
    ['interior', ['spokes', 'mesh'], 'spokes'], ['braces', 'bool', true], ['innerStiffness', 'num', 1],
    ['innerCompliance', 'opt', null], ['skin', 'bool', false]]],
  blob: [code.builder.blob, [
    ['x', 'num', 0], ['y', 'num', 0], ['radius', 'num', 30], ['rim', 'int', 24], ['restArea', 'num', 0],
    ['pressure', 'num', 1], ['pressureCompliance', 'opt', null], ['skin', 'bool', false]]],
  shape: [code.builder.shape, [
    ['spacing', 'num', 10], ['fill', 'bool', true], ['shapeStiffness', 'num', 0.5],
    ['shapeCompliance', 'opt', null], ['pressure', 'num', 0], ['pressureCompliance', 'opt', null],
    ['skin', 'bool', false]]],
};

const zoneStyles = ['line', 'loop', 'fill', 'hole'];
const constraintKinds = ['distance', 'pressure', 'angle', 'shape', 'skin'];

// ---------------------------------------------------------------- things

// What every wrapper shares: its handle, its world, and the refusal of a
// thing that was removed or whose world was freed.
class Thing {
  constructor(world, handle) {
    this._world = world;
    this._h = handle;
  }

  _live() {
    if (!this._h) fail(`this ${this._noun} was removed`);
    if (!this._world._h) fail(`the world of this ${this._noun} was freed`);
    return this._world._h;
  }

  _ownedBy(world, role) {
    if (!(this instanceof Thing)) throw new TypeError(`kel-tangle: ${role} is not a kel-tangle object`);
    this._live();
    if (this._world !== world) fail(`${role} is of another world`);
    return this._h;
  }
}

export class Mass extends Thing {
  get _noun() { return 'mass'; }

  /** x of the position, world units. */
  get x() { return this._get(code.mass.x); }
  /** y of the position, world units (y grows downwards). */
  get y() { return this._get(code.mass.y); }
  get vx() { return this._get(code.mass.vx); }
  get vy() { return this._get(code.mass.vy); }
  get mass() { return this._get(code.mass.mass); }
  set mass(v) { this._set(code.setMass.mass, finite('mass', v)); }
  get radius() { return this._get(code.mass.radius); }
  set radius(v) { this._set(code.setMass.radius, finite('radius', v)); }
  get friction() { return this._get(code.mass.friction); }
  set friction(v) { this._set(code.setMass.friction, finite('friction', v)); }
  get group() { return this._get(code.mass.group); }
  set group(v) { this._set(code.setMass.group, integer('group', v)); }
  get frozen() { return this._get(code.mass.frozen) !== 0; }
  set frozen(v) { this._set(code.setMass.frozen, boolean('frozen', v) ? 1 : 0); }
  get bullet() { return this._get(code.mass.bullet) !== 0; }
  set bullet(v) { this._set(code.setMass.bullet, boolean('bullet', v) ? 1 : 0); }
  get awake() { return this._get(code.mass.awake) !== 0; }
  get inWorld() { return this._get(code.mass.inWorld) !== 0; }

  /** Puts the mass at (x, y), at rest. */
  moveTo(x, y) { this._set(code.setMass.moveTo, finite('x', x), finite('y', y)); }
  setVelocity(vx, vy) { this._set(code.setMass.setVelocity, finite('vx', vx), finite('vy', vy)); }
  addVelocity(vx, vy) { this._set(code.setMass.addVelocity, finite('vx', vx), finite('vy', vy)); }
  /** Moves by (dx, dy) and adds that to the velocity (a push). */
  push(dx, dy) { this._set(code.setMass.push, finite('dx', dx), finite('dy', dy)); }
  /** Moves by (dx, dy), keeping the velocity. */
  translate(dx, dy) { this._set(code.setMass.translate, finite('dx', dx), finite('dy', dy)); }

  /** Takes a mass added with World.addMass out of the world, with the constraints made on it. */
  remove() {
    const w = this._live();
    if (M._tg_remove(w, code.kind.mass, this._h) !== 0) fail(lastError());
    this._world._forget(this);
  }

  _get(what) { return M._tg_mass_get(this._live(), this._h, what); }
  _set(what, a, b = 0) {
    if (M._tg_mass_set(this._live(), this._h, what, a, b) !== 0) fail(`mass: ${lastError()}`);
  }
}

export class Constraint extends Thing {
  get _noun() { return 'constraint'; }

  /** 'distance', 'pressure', 'angle', 'shape' or 'skin'. */
  get kind() { return constraintKinds[this._get(code.constraint.kind)]; }
  get restLength() { return this._get(code.constraint.restLength); }
  /** A value above 0 is kept; 0 takes the present length (area, angle). */
  set restLength(v) { this._set(code.setConstraint.restLength, finite('restLength', v)); }
  get stiffness() { return this._get(code.constraint.stiffness); }
  set stiffness(v) { this._set(code.setConstraint.stiffness, finite('stiffness', v)); }
  /** The compliance, or null while the per-pass stiffness is used. */
  get compliance() {
    const c = this._get(code.constraint.compliance);
    return c < 0 ? null : c;
  }
  get damping() { return this._get(code.constraint.damping); }
  /** Makes the constraint a spring of the material (see the guide); null goes back to stiffness. */
  setCompliance(compliance, damping = 1) {
    this._set(code.setConstraint.compliance, compliance === null ? -1 : finite('compliance', compliance), finite('damping', damping));
  }
  get length() { return this._get(code.constraint.length); }
  get stress() { return this._get(code.constraint.stress); }
  get inWorld() { return this._get(code.constraint.inWorld) !== 0; }
  /** An angle's limits in degrees, [lower, upper]; [0, 360] for none. */
  get limits() {
    const w = this._live();
    return [M._tg_con_get(w, this._h, code.constraint.lowerLimit), M._tg_con_get(w, this._h, code.constraint.upperLimit)];
  }
  set limits(v) {
    if (!Array.isArray(v) || v.length !== 2) throw new TypeError('kel-tangle: limits must be [lower, upper]');
    this._set(code.setConstraint.limits, finite('limits[0]', v[0]), finite('limits[1]', v[1]));
  }
  /** The masses it acts on. */
  get masses() {
    const w = this._live();
    return this._world._things(M._tg_con_masses(w, this._h), 1, (h) => this._world._mass(h));
  }

  /** Takes a constraint made with World.link (or another World constraint) out of the world. */
  remove() {
    const w = this._live();
    if (this._body) fail('a constraint of a body: remove the body');
    if (M._tg_remove(w, code.kind.constraint, this._h) !== 0) fail(lastError());
    this._world._forget(this);
  }

  _get(what) { return M._tg_con_get(this._live(), this._h, what); }
  _set(what, a, b = 0) {
    if (M._tg_con_set(this._live(), this._h, what, a, b) !== 0) fail(`constraint: ${lastError()}`);
  }
}

export class Zone extends Thing {
  get _noun() { return 'zone'; }

  get style() { return zoneStyles[this._get(code.zone.style)]; }
  set style(v) {
    const s = zoneStyles.indexOf(v);
    if (s < 0) throw new RangeError(`kel-tangle: style must be one of ${zoneStyles.join(', ')}`);
    this._set(code.setZone.style, s);
  }
  get friction() { return this._get(code.zone.friction); }
  set friction(v) { this._set(code.setZone.friction, finite('friction', v)); }
  get x() { return this._get(code.zone.x); }
  get y() { return this._get(code.zone.y); }
  /** Puts the zone's origin at (x, y). */
  moveTo(x, y) { this._set(code.setZone.moveTo, finite('x', x), finite('y', y)); }
  /** Rotation about the origin, degrees. */
  get angle() { return this._get(code.zone.angle); }
  set angle(v) { this._set(code.setZone.rotate, finite('angle', v)); }
  get scaleX() { return this._get(code.zone.scaleX); }
  get scaleY() { return this._get(code.zone.scaleY); }
  setScale(sx, sy = sx) { this._set(code.setZone.scale, finite('sx', sx), finite('sy', sy)); }
  get group() { return this._get(code.zone.group); }
  set group(v) { this._set(code.setZone.group, integer('group', v)); }
  get inWorld() { return this._get(code.zone.inWorld) !== 0; }
  /** The outline as given (untransformed), [x0, y0, x1, y1, ...]. */
  get points() {
    const w = this._live();
    const n = M._tg_zone_points(w, this._h);
    return Array.from(new Float64Array(M.HEAPF64.buffer, M._tg_out(w), 2 * n));
  }
  /** The zone file (.tnz) as bytes. */
  save() {
    this._live();
    return this._world._save(code.file.zone, this._h);
  }

  remove() {
    const w = this._live();
    if (M._tg_remove(w, code.kind.zone, this._h) !== 0) fail(lastError());
    this._world._forget(this);
  }

  _get(what) { return M._tg_zone_get(this._live(), this._h, what); }
  _set(what, a, b = 0) {
    if (M._tg_zone_set(this._live(), this._h, what, a, b) !== 0) fail(`zone: ${lastError()}`);
  }
}

export class Body extends Thing {
  get _noun() { return 'body'; }

  /** The masses by slot, in the builder's documented order (null for an empty slot). */
  get masses() {
    const w = this._live();
    return this._world._things(M._tg_body_parts(w, this._h, code.kind.mass), 1, (h) => (h ? this._world._mass(h) : null));
  }
  /** The constraints by slot (null for an empty or torn slot). */
  get constraints() {
    const w = this._live();
    return this._world._things(M._tg_body_parts(w, this._h, code.kind.constraint), 1, (h) => {
      if (!h) return null;
      const c = this._world._constraint(h);
      c._body = this;
      return c;
    });
  }
  /** The reference mass's place (the lowest slot) and the reference link's direction, degrees. */
  get x() { return M._tg_body_get(this._live(), this._h, code.bodyReading.x); }
  get y() { return M._tg_body_get(this._live(), this._h, code.bodyReading.y); }
  get rotation() { return M._tg_body_get(this._live(), this._h, code.bodyReading.rotation); }
  translate(dx, dy) { this._do(code.body.translate, finite('dx', dx), finite('dy', dy)); }
  push(dx, dy) { this._do(code.body.push, finite('dx', dx), finite('dy', dy)); }
  moveTo(x, y) { this._do(code.body.moveTo, finite('x', x), finite('y', y)); }
  rotateTo(degrees) { this._do(code.body.rotateTo, finite('degrees', degrees)); }
  turn(degrees) { this._do(code.body.turn, finite('degrees', degrees)); }
  spin(degrees) { this._do(code.body.spin, finite('degrees', degrees)); }
  /** Tears the links stretched beyond maxStress (length over rest length); the count torn. */
  tear(maxStress) { return M._tg_body_do(this._live(), this._h, code.body.tear, finite('maxStress', maxStress), 0); }
  /** The body file (.tnb) as bytes. */
  save() {
    this._live();
    return this._world._save(code.file.body, this._h);
  }

  /** Takes the body and everything only it holds out of the world. */
  remove() {
    const w = this._live();
    if (M._tg_remove(w, code.kind.body, this._h) !== 0) fail(lastError());
    this._world._forget(this);
  }

  _do(what, a, b = 0) {
    if (M._tg_body_do(this._live(), this._h, what, a, b) !== 0) fail(`body: ${lastError()}`);
  }
}

/** The whole world at one moment; restore it with World.restore. Holds memory: free() it. */
export class Snapshot extends Thing {
  get _noun() { return 'snapshot'; }

  free() {
    if (!this._h || !this._world._h) return;
    M._tg_remove(this._world._h, code.kind.snapshot, this._h);
    this._h = 0;
  }

  [Symbol.dispose ?? Symbol.for('Symbol.dispose')]() { this.free(); }
}

// ---------------------------------------------------------------- world

function filterOf(filter) {
  const { group = null, ...rest } = filter ?? {};
  const [masses, zones] = fieldsOf('filter', [['masses', 'bool', true], ['zones', 'bool', true]], rest);
  // null leaves groups out of it; 0 collides with nothing, so finds nothing.
  const byGroup = group !== null;
  if (byGroup) integer('filter.group', group);
  return [masses | (zones << 1) | (byGroup ? 4 : 0), byGroup ? group : 0];
}

const liveWorlds = new Set();

export class World {
  /**
   * A world from its definition (every field optional): bounds left, top, right,
   * bottom; gravityX, gravityY (world units per step squared, y down); passes;
   * friction; grid; largestRadius; cellSize; stacking (0 ... 3); sleepSpeed,
   * sleepSteps; continuous; trackContacts.
   */
  constructor(def = {}) {
    putNumbers(fieldsOf('world definition', worldFields, def));
    const stacking = def.stacking ?? 0;
    if (stacking < 0 || stacking > 3) throw new RangeError('kel-tangle: stacking must be 0, 1, 2 or 3');
    this._h = M._tg_world_create();
    if (!this._h) fail(lastError());
    this._things_ = new Map();
    this._views = {};
    liveWorlds.add(this);
  }

  /** Frees the world and everything in it; every object of it is dead after. */
  free() {
    if (!this._h) return;
    M._tg_world_free(this._h);
    this._h = 0;
    this._things_.clear();
    this._views = {};
    liveWorlds.delete(this);
  }

  [Symbol.dispose ?? Symbol.for('Symbol.dispose')]() { this.free(); }

  _live() {
    if (!this._h) fail('this world was freed');
    return this._h;
  }

  // ------------------------------------------------------------ settings

  /** Advances the world by `steps` steps (1 by default). */
  step(steps = 1) {
    integer('steps', steps, 0, 1 << 30);
    if (M._tg_world_step(this._live(), steps) !== 0) fail(lastError());
  }

  get gravityX() { return this._get(code.world.gravityX); }
  get gravityY() { return this._get(code.world.gravityY); }
  setGravity(x, y) { this._set(code.setWorld.gravity, finite('x', x), finite('y', y)); }
  get passes() { return this._get(code.world.passes); }
  set passes(v) { this._set(code.setWorld.passes, integer('passes', v, 1, 1000)); }
  get friction() { return this._get(code.world.friction); }
  set friction(v) { this._set(code.setWorld.friction, finite('friction', v)); }
  /** The solver's mode: 0 the plain step, 1 piles that rest, 2 bodies that lie still, 3 both. */
  get stacking() { return this._get(code.world.stacking); }
  set stacking(v) { this._set(code.setWorld.stacking, integer('stacking', v, 0, 3)); }
  get continuous() { return this._get(code.world.continuous) !== 0; }
  set continuous(v) { this._set(code.setWorld.continuous, boolean('continuous', v) ? 1 : 0); }
  get trackContacts() { return this._get(code.world.trackContacts) !== 0; }
  set trackContacts(v) { this._set(code.setWorld.trackContacts, boolean('trackContacts', v) ? 1 : 0); }
  get cellSize() { return this._get(code.world.cellSize); }
  set cellSize(v) { this._set(code.setWorld.cellSize, finite('cellSize', v)); }
  /** Threads the step runs on. This build has none of its own: only 1 is accepted. */
  get threads() { return this._get(code.world.threads); }
  set threads(n) {
    integer('threads', n, 1, 64);
    if (n > 1 && !hasThreads) fail('this build steps on one thread (WebAssembly threads need a cross-origin isolated page)');
    this._set(code.setWorld.threads, n);
  }
  /** Sleeping: { speed, steps }; a speed of 0 turns it off. */
  get sleep() {
    return { speed: this._get(code.world.sleepSpeed), steps: this._get(code.world.sleepSteps) };
  }
  set sleep(v) {
    const [speed, steps] = fieldsOf('sleep', [['speed', 'num', 0], ['steps', 'int', 30]], v);
    this._set(code.setWorld.sleep, speed, steps);
  }
  get bounds() {
    const w = code.world;
    return { left: this._get(w.left), top: this._get(w.top), right: this._get(w.right), bottom: this._get(w.bottom) };
  }
  set bounds(b) {
    const v = fieldsOf('bounds', [['left', 'num', 0], ['top', 'num', 0], ['right', 'num', 640], ['bottom', 'num', 480]], b);
    this._live();
    putNumbers(v);
    this._set(code.setWorld.bounds, 0, 0);
  }
  get massCount() { return this._get(code.world.massCount); }
  get constraintCount() { return this._get(code.world.constraintCount); }
  get zoneCount() { return this._get(code.world.zoneCount); }
  get awakeCount() { return this._get(code.world.awakeCount); }
  get nonFiniteCount() { return this._get(code.world.nonFiniteCount); }

  /** A fresh collision group, shared with nothing made so far. */
  newGroup() { return M._tg_new_group(); }

  _get(what) { return M._tg_world_get(this._live(), what); }
  _set(what, a, b = 0) {
    if (M._tg_world_set(this._live(), what, a, b) !== 0) fail(`world: ${lastError()}`);
  }

  // ------------------------------------------------------------ making

  /** A mass in the world: { x, y, mass = 1, radius = 4, friction = 0.5, group = -1 (a fresh group) }. */
  addMass(def) {
    const [x, y, mass, radius, friction, group] = fieldsOf('mass', [
      ['x', 'num', 0], ['y', 'num', 0], ['mass', 'num', 1], ['radius', 'num', 4],
      ['friction', 'num', 0.5], ['group', 'int', -1]], def);
    if (mass <= 0) throw new RangeError('kel-tangle: mass.mass must be above 0');
    if (radius < 0) throw new RangeError('kel-tangle: mass.radius must be 0 or more');
    return this._made(M._tg_mass_create(this._live(), x, y, mass, radius, friction, group), Mass);
  }

  /** A distance constraint: { restLength = 0 (the present distance), stiffness = 1, compliance = null, damping = 1 }. */
  link(a, b, def) {
    const w = this._live();
    const ha = this._massHandle(a, 'the first mass');
    const hb = this._massHandle(b, 'the second mass');
    if (ha === hb) fail('a link needs two different masses');
    const [restLength, stiffness, compliance, damping] = fieldsOf('link', [
      ['restLength', 'num', 0], ['stiffness', 'num', 1], ['compliance', 'opt', null], ['damping', 'num', 1]], def);
    return this._made(M._tg_link(w, ha, hb, restLength, stiffness, compliance, damping), Constraint);
  }

  /** A pressure constraint over a closed ring: { restArea = 0 (the present area), stiffness = 1, compliance = null, damping = 1 }. */
  pressure(ring, def) {
    const [restArea, stiffness, compliance, damping] = fieldsOf('pressure', [
      ['restArea', 'num', 0], ['stiffness', 'num', 1], ['compliance', 'opt', null], ['damping', 'num', 1]], def);
    return this._ring(code.ring.pressure, ring, 3, restArea, stiffness, compliance, damping);
  }

  /** Shape matching over 3 or more masses, at their present places: { stiffness = 0.5, compliance = null, damping = 1 }. */
  shapeMatch(masses, def) {
    const [stiffness, compliance, damping] = fieldsOf('shape', [
      ['stiffness', 'num', 0.5], ['compliance', 'opt', null], ['damping', 'num', 1]], def);
    return this._ring(code.ring.shape, masses, 3, 0, stiffness, compliance, damping);
  }

  /** Solid edges between masses along a chain, or round a ring with { closed: true }. */
  skin(masses, def) {
    const [closed] = fieldsOf('skin', [['closed', 'bool', false]], def);
    return this._ring(code.ring.skin, masses, closed ? 3 : 2, closed, 0, -1, 0);
  }

  /** Holds the angle at `middle`: { restAngle = 0 (the present angle), stiffness = 1, limits = [0, 360] }. */
  angle(first, middle, last, def) {
    const w = this._live();
    const h = [this._massHandle(first, 'first'), this._massHandle(middle, 'middle'), this._massHandle(last, 'last')];
    if (new Set(h).size !== 3) fail('an angle needs three different masses');
    const d = def ?? {};
    const [restAngle, stiffness] = fieldsOf('angle', [['restAngle', 'num', 0], ['stiffness', 'num', 1], ['limits', 'num', 0]],
      { ...d, limits: 0 });
    const limits = d.limits ?? [0, 360];
    if (!Array.isArray(limits) || limits.length !== 2) throw new TypeError('kel-tangle: angle.limits must be [lower, upper]');
    finite('angle.limits[0]', limits[0]);
    finite('angle.limits[1]', limits[1]);
    if (!(limits[0] >= 0 && limits[0] <= limits[1] && limits[1] <= 360)) {
      throw new RangeError('kel-tangle: angle.limits must be in order within 0 ... 360');
    }
    return this._made(M._tg_angle(w, ...h, restAngle, stiffness, limits[0], limits[1]), Constraint);
  }

  /**
   * A zone, static scenery: { points: [x0, y0, x1, y1, ...] (2 or more points),
   * style = 'fill' ('line', 'loop', 'fill' or 'hole'), friction = 0.5, group = -1,
   * x = 0, y = 0, angle = 0, scaleX = 1, scaleY = 1, quadTreeLevel = 6 }.
   */
  addZone(def) {
    const w = this._live();
    const d = def ?? {};
    const points = d.points;
    const [style, friction, group, x, y, angle, scaleX, scaleY, level] = fieldsOf('zone', [
      ['style', zoneStyles, 'fill'], ['friction', 'num', 0.5], ['group', 'int', -1], ['x', 'num', 0],
      ['y', 'num', 0], ['angle', 'num', 0], ['scaleX', 'num', 1], ['scaleY', 'num', 1],
      ['quadTreeLevel', 'int', 6], ['points', 'num', 0]], { ...d, points: 0 });
    if (!Array.isArray(points) && !ArrayBuffer.isView(points)) throw new TypeError('kel-tangle: zone.points must be an array of x, y pairs');
    if (points.length < 4 || points.length % 2) throw new RangeError('kel-tangle: zone.points needs two points or more, as x, y pairs');
    for (let k = 0; k < points.length; ++k) finite(`zone.points[${k}]`, points[k]);
    integer('zone.quadTreeLevel', level, 0, 16);
    putNumbers(Array.from(points));
    const zone = this._made(M._tg_zone_create(w, points.length / 2, style, friction, group, level), Zone);
    if (x !== 0 || y !== 0) zone.moveTo(x, y);
    if (angle !== 0) zone.angle = angle;
    if (scaleX !== 1 || scaleY !== 1) zone.setScale(scaleX, scaleY);
    return zone;
  }

  /** A rope from (x1, y1) to (x2, y2); see the guide for every field. */
  rope(def) { return this._build('rope', def); }
  /** A cloth hanging from its top row. */
  cloth(def) { return this._build('cloth', def); }
  /** A jelly: a rim round a centre mass. */
  jelly(def) { return this._build('jelly', def); }
  /** A pressure blob: a ring held out by the area it encloses. */
  blob(def) { return this._build('blob', def); }
  /** A soft body of any outline: { outline: [x0, y0, ...], spacing, fill, ... }. */
  softShape(def) { return this._build('shape', def); }

  // ------------------------------------------------------------ queries

  /** The first mass or zone edge the segment meets: a hit object, or null. */
  rayCast(x1, y1, x2, y2, filter) {
    const [flags, group] = filterOf(filter);
    const n = M._tg_raycast(this._live(), finite('x1', x1), finite('y1', y1), finite('x2', x2), finite('y2', y2), flags, group, 0);
    return n ? this._hits(1)[0] : null;
  }

  /** Every mass and zone the segment meets, in order along it. */
  rayCastAll(x1, y1, x2, y2, filter) {
    const [flags, group] = filterOf(filter);
    const n = M._tg_raycast(this._live(), finite('x1', x1), finite('y1', y1), finite('x2', x2), finite('y2', y2), flags, group, 1);
    return this._hits(n);
  }

  /** What overlaps the box: { masses, zones }. */
  queryBox(x1, y1, x2, y2, filter) {
    const [flags, group] = filterOf(filter);
    return this._found(M._tg_query(this._live(), 0, finite('x1', x1), finite('y1', y1), finite('x2', x2), finite('y2', y2), flags, group));
  }

  /** What holds the point: { masses, zones }. */
  queryPoint(x, y, filter) {
    const [flags, group] = filterOf(filter);
    return this._found(M._tg_query(this._live(), 1, finite('x', x), finite('y', y), 0, 0, flags, group));
  }

  /** The mass nearest to (x, y) whose edge is within reach: { mass, distance } or null. */
  nearestMass(x, y, reach, filter) {
    const [flags, group] = filterOf(filter);
    const w = this._live();
    if (!M._tg_nearest(w, finite('x', x), finite('y', y), finite('reach', reach), flags, group)) return null;
    const out = this._out(2);
    return { mass: this._mass(out[0]), distance: out[1] };
  }

  /** The pairs that began touching in the last step: [{ kind, mass, other, x, y }]. Starts tracking. */
  contactBegins() { return this._contacts(0); }
  /** The pairs that stopped touching in the last step. */
  contactEnds() { return this._contacts(1); }

  // ------------------------------------------------------------ state

  /** The whole world now, exactly; World.restore puts it back. */
  takeSnapshot() {
    const h = M._tg_snapshot_take(this._live());
    if (!h) fail(lastError());
    return new Snapshot(this, h);
  }

  restore(snapshot) {
    if (!(snapshot instanceof Snapshot)) throw new TypeError('kel-tangle: restore takes a Snapshot');
    const h = snapshot._ownedBy(this, 'the snapshot');
    if (M._tg_snapshot_restore(this._live(), h) !== 0) fail(lastError());
  }

  /** The world file (.tnw) as bytes: everything in the world, bodies' tables included. */
  save() { return this._save(code.file.world, 0); }

  /** Replaces everything in this world with a world file's; returns its bodies. */
  load(bytes) {
    const w = this._live();
    putBytes(bytes);
    const n = M._tg_load(w, code.file.world);
    if (n < 0) fail(lastError());
    // What was handed out before is out of the world now, but stays safe to read.
    return this._things(n, 1, (h) => this._made(h, Body));
  }

  /** A body from a body file (.tnb), in the world. */
  loadBody(bytes) {
    const w = this._live();
    putBytes(bytes);
    if (M._tg_load(w, code.file.body) < 0) fail(lastError());
    return this._made(this._out(1)[0], Body);
  }

  /** A zone from a zone file (.tnz), in the world. */
  loadZone(bytes) {
    const w = this._live();
    putBytes(bytes);
    if (M._tg_load(w, code.file.zone) < 0) fail(lastError());
    return this._made(this._out(1)[0], Zone);
  }

  // ------------------------------------------------------------ drawing

  /**
   * The positions of every mass in the world, x, y pairs, in the world's order,
   * refreshed by this call: a Float32Array over WebAssembly memory, no copy.
   * It stays valid until the next call that may allocate, on any world (making
   * anything, loading, a snapshot, a query, contacts, a step); call positions()
   * after stepping, each frame, which hands back the same array while it is
   * still valid.
   */
  positions() {
    const n = M._tg_draw_refresh(this._live());
    return this._view('positions', Float32Array, code.view.positions, 2 * n);
  }

  /** The radii of the masses, in the order of positions(); valid as long as positions(). */
  radii() {
    const n = M._tg_draw_refresh(this._live());
    return this._view('radii', Float32Array, code.view.radii, n);
  }

  /**
   * The lines every constraint draws, as pairs of mass indices into positions()
   * (index k is at positions[2k], positions[2k + 1]): a distance its two masses,
   * a ring its edges, an angle its arms. Valid as long as positions().
   */
  links() {
    const w = this._live();
    M._tg_draw_refresh(w);
    return this._view('links', Uint32Array, code.view.pairs, 2 * M._tg_draw_pair_count(w));
  }

  /** The mass at index k of positions(). */
  massAt(k) {
    integer('k', k, 0);
    const h = M._tg_draw_mass(this._live(), k);
    if (!h) throw new RangeError(`kel-tangle: no mass at index ${k}`);
    return this._mass(h);
  }

  // ------------------------------------------------------------ inside

  _view(name, Type, which, length) {
    const at = M._tg_draw_view(this._h, which);
    const old = this._views[name];
    if (old && old.buffer === M.HEAPU8.buffer && old.byteOffset === at && old.length === length) return old;
    const view = new Type(M.HEAPU8.buffer, at, length);
    this._views[name] = view;
    return view;
  }

  _out(count) {
    return new Float64Array(M.HEAPF64.buffer, M._tg_out(this._h), count);
  }

  // `count` records of `width` numbers from the result buffer, each made by `make`.
  _things(count, width, make) {
    if (count < 0) fail(lastError());
    const out = Array.from(this._out(count * width));
    const result = [];
    for (let k = 0; k < count; ++k) result.push(width === 1 ? make(out[k]) : make(out.slice(k * width, (k + 1) * width)));
    return result;
  }

  _thing(kind, h) {
    return found[kind] === 'mass' ? this._mass(h) : this._made(h, Zone);
  }

  _hits(n) {
    return this._things(n, 8, (r) => ({
      mass: found[r[0]] === 'mass' ? this._mass(r[1]) : null,
      zone: found[r[0]] === 'zone' ? this._made(r[1], Zone) : null,
      edge: r[2], x: r[3], y: r[4], normalX: r[5], normalY: r[6], fraction: r[7],
    }));
  }

  _found(n) {
    const things = { masses: [], zones: [] };
    for (const [kind, h] of this._things(n, 2, (r) => r)) {
      if (found[kind] === 'mass') things.masses.push(this._mass(h));
      else things.zones.push(this._made(h, Zone));
    }
    return things;
  }

  _contacts(ends) {
    const n = M._tg_contacts(this._live(), ends);
    return this._things(n, 5, (r) => ({
      kind: found[r[0]],
      mass: this._mass(r[1]),
      other: found[r[0]] === 'bounds' ? null : this._thing(r[0], r[2]),
      x: r[3], y: r[4],
    }));
  }

  _save(kind, handle) {
    const n = M._tg_save(this._live(), kind, handle);
    if (n < 0) fail(lastError());
    return M.HEAPU8.slice(M._tg_bytes(this._h), M._tg_bytes(this._h) + n);
  }

  _build(name, def) {
    const [code, table] = builders[name];
    const d = def ?? {};
    const { material, outline, ...rest } = d;
    if (name !== 'shape' && outline !== undefined) throw new TypeError(`kel-tangle: ${name} has no field "outline"`);
    const fields = fieldsOf(name, table, rest);
    fields.push(...fieldsOf(`${name}.material`, materialFields, material));
    if (name === 'shape') {
      if (!Array.isArray(outline) && !ArrayBuffer.isView(outline)) throw new TypeError('kel-tangle: shape.outline must be an array of x, y pairs');
      if (outline.length < 6 || outline.length % 2) throw new RangeError('kel-tangle: shape.outline needs 3 corners or more, as x, y pairs');
      for (let k = 0; k < outline.length; ++k) finite(`shape.outline[${k}]`, outline[k]);
      fields.push(outline.length / 2, ...outline);
    }
    const w = this._live();
    putNumbers(fields);
    return this._made(M._tg_build(w, code), Body);
  }

  _ring(kind, masses, least, a, b, compliance, damping) {
    const w = this._live();
    if (!Array.isArray(masses)) throw new TypeError('kel-tangle: the masses must be an array');
    if (masses.length < least) throw new RangeError(`kel-tangle: ${least} masses or more are needed`);
    const handles = masses.map((m, k) => this._massHandle(m, `masses[${k}]`));
    if (new Set(handles).size !== handles.length) fail('a mass is named twice');
    putNumbers(handles);
    return this._made(M._tg_ring(w, kind, handles.length, a, b, compliance, damping), Constraint);
  }

  _massHandle(m, role) {
    if (!(m instanceof Mass)) throw new TypeError(`kel-tangle: ${role} must be a Mass`);
    return m._ownedBy(this, role);
  }

  // The one wrapper of a handle, made on first sight.
  _made(h, Type) {
    if (!h) fail(lastError());
    let thing = this._things_.get(h);
    if (!thing) {
      thing = new Type(this, h);
      this._things_.set(h, thing);
    }
    return thing;
  }

  _mass(h) { return this._made(h, Mass); }
  _constraint(h) { return this._made(h, Constraint); }

  _forget(thing) {
    this._things_.delete(thing._h);
    thing._h = 0;
  }
}

/** Whether this build steps on several threads (World.threads). */
export const hasThreads = M._tg_has_threads() !== 0;

/** How many worlds are alive (not freed); for finding leaks. */
export function liveWorldCount() { return liveWorlds.size; }

/** The WebAssembly memory's size in bytes: it only grows. */
export function memoryBytes() { return M.HEAPU8.buffer.byteLength; }
