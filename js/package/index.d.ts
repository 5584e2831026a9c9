// kel-tangle: kel.tangle, the soft-body physics library, for JavaScript.
// Units are world units and steps: one step is one call of World.step
// (60 a second is typical); y grows downwards; angles are degrees.

/** A material: what the masses and links of a built shape are made of. */
export interface MaterialDef {
  /** The mass of each mass (not of the whole shape); above 0. Default 1. */
  mass?: number;
  /** The radius of each mass, world units. Default 4. */
  radius?: number;
  /** Friction, 0 ... 1. Default 0.5. */
  friction?: number;
  /** Per-pass stiffness of the links, 0 ... 1. Default 1. */
  stiffness?: number;
  /** Collision group; -1 (default) a fresh group for the whole shape, 0 none. */
  group?: number;
  /** Makes the links springs of the material (0 rigid, 0.01 ... 0.1 firm rubber, 1 ... 10 soft jelly); null (default) uses stiffness. */
  compliance?: number | null;
  /** Damping ratio of those springs: 0 rings on, 1 (default) about critical. */
  damping?: number;
}

/** A world's settings; every field has a default. */
export interface WorldDef {
  /** Bounds, world units: default 0, 0, 640, 480. Masses are kept inside them. */
  left?: number; top?: number; right?: number; bottom?: number;
  /** Gravity, world units per step squared; default 0 and 0.1 (down). */
  gravityX?: number; gravityY?: number;
  /** Relaxation passes per step, default 4: more make constraints stiffer. */
  passes?: number;
  /** Friction of the bounds, default 1. */
  friction?: number;
  /** Contacts through the grid (default true) or pair by pair. */
  grid?: boolean;
  /** The largest radius any mass will have, default 10: sizes the contact grid. */
  largestRadius?: number;
  /** Cells of this width for a grid of any size; 0 (default) sizes it from largestRadius. */
  cellSize?: number;
  /** 0 (default) the plain step, 1 piles that rest, 2 bodies that lie still, 3 both. */
  stacking?: 0 | 1 | 2 | 3;
  /** Sleeping: the speed below which a mass counts as still; 0 (default) off. */
  sleepSpeed?: number;
  /** Steps in a row an island must stay still before it sleeps; default 30. */
  sleepSteps?: number;
  /** Continuous collision, default true: fast masses cannot pass through walls. */
  continuous?: boolean;
  /** Answer contactBegins and contactEnds from the first step; default false. */
  trackContacts?: boolean;
}

export interface MassDef {
  x?: number; y?: number;
  /** Above 0; default 1. */
  mass?: number;
  /** 0 or more; default 4. */
  radius?: number;
  /** 0 ... 1; default 0.5. */
  friction?: number;
  /** -1 (default) a fresh group; 0 collides with nothing; same group, no collision. */
  group?: number;
}

export interface LinkDef {
  /** 0 (default) takes the present distance. */
  restLength?: number;
  stiffness?: number;
  compliance?: number | null;
  damping?: number;
}

export interface PressureDef {
  /** 0 (default) takes the ring's present area. */
  restArea?: number;
  stiffness?: number;
  compliance?: number | null;
  damping?: number;
}

export interface AngleDef {
  /** Degrees, 0 ... 360; 0 (default) takes the present angle. */
  restAngle?: number;
  stiffness?: number;
  /** Stops, [lower, upper] degrees within 0 ... 360; default [0, 360] (none). */
  limits?: [number, number];
}

export type ZoneStyle = 'line' | 'loop' | 'fill' | 'hole';

export interface ZoneDef {
  /** The outline, x, y pairs, 2 points or more. */
  points: ArrayLike<number>;
  /** 'fill' (default) a solid polygon, 'hole' a hole in an endless solid, 'loop' a closed outline, 'line' an open one. */
  style?: ZoneStyle;
  friction?: number;
  group?: number;
  /** The zone's origin in the world, its rotation (degrees) and scale. */
  x?: number; y?: number; angle?: number; scaleX?: number; scaleY?: number;
  /** Depth of the zone's quadtree, 0 ... 16; default 6. */
  quadTreeLevel?: number;
}

export interface RopeDef {
  x1?: number; y1?: number; x2?: number; y2?: number;
  /** Masses, 2 or more; 0 (default) takes the count from segmentLength. */
  count?: number;
  segmentLength?: number;
  freezeStart?: boolean; freezeEnd?: boolean; skin?: boolean;
  material?: MaterialDef;
}

export interface ClothDef {
  x?: number; y?: number; columns?: number; rows?: number; spacing?: number;
  pinTop?: boolean; shear?: boolean; bend?: boolean; skin?: boolean;
  material?: MaterialDef;
}

export interface JellyDef {
  x?: number; y?: number; radius?: number;
  /** Masses on the rim, 3 or more; default 16. */
  rim?: number;
  interior?: 'spokes' | 'mesh';
  braces?: boolean; innerStiffness?: number; innerCompliance?: number | null; skin?: boolean;
  material?: MaterialDef;
}

export interface BlobDef {
  x?: number; y?: number; radius?: number; rim?: number;
  /** 0 (default) takes the ring's area as built. */
  restArea?: number;
  pressure?: number; pressureCompliance?: number | null; skin?: boolean;
  material?: MaterialDef;
}

export interface SoftShapeDef {
  /** The outline's corners, x, y pairs: a simple polygon of 3 corners or more. */
  outline: ArrayLike<number>;
  spacing?: number; fill?: boolean; shapeStiffness?: number; shapeCompliance?: number | null;
  pressure?: number; pressureCompliance?: number | null; skin?: boolean;
  material?: MaterialDef;
}

/** What a query looks at: by default every mass and zone. */
export interface QueryFilter {
  masses?: boolean;
  zones?: boolean;
  /** Only what a mass of this group would collide with. */
  group?: number | null;
}

/** Where a ray meets a mass or a zone edge. */
export interface RayHit {
  mass: Mass | null;
  zone: Zone | null;
  /** The zone's edge (from vertex edge to the next), -1 for a mass. */
  edge: number;
  x: number; y: number;
  /** Unit normal, out of the mass or towards the ray's side of the edge. */
  normalX: number; normalY: number;
  /** 0 at the ray's start ... 1 at its end. */
  fraction: number;
}

export interface Found {
  masses: Mass[];
  zones: Zone[];
}

/** A pair that began or stopped touching in the last step. */
export interface ContactChange {
  kind: 'mass' | 'zone' | 'bounds';
  mass: Mass;
  /** The other mass, the zone, or null for the bounds. */
  other: Mass | Zone | null;
  x: number; y: number;
}

/** A mass: a circle moved by the step. Owned by its world. */
export class Mass {
  private constructor();
  readonly x: number;
  readonly y: number;
  /** Velocity, world units per step. */
  readonly vx: number;
  readonly vy: number;
  mass: number;
  radius: number;
  friction: number;
  group: number;
  frozen: boolean;
  /** Swept against every mass it passes (continuous collision). */
  bullet: boolean;
  readonly awake: boolean;
  readonly inWorld: boolean;
  /** Puts the mass at (x, y), at rest. */
  moveTo(x: number, y: number): void;
  setVelocity(vx: number, vy: number): void;
  addVelocity(vx: number, vy: number): void;
  /** Moves by (dx, dy) and adds that to the velocity. */
  push(dx: number, dy: number): void;
  /** Moves by (dx, dy), keeping the velocity. */
  translate(dx: number, dy: number): void;
  /** Takes a mass made by World.addMass out of the world, with the constraints made on it. */
  remove(): void;
}

/** A constraint: a distance, a pressure, an angle, a shape or a skin. Owned by its world. */
export class Constraint {
  private constructor();
  readonly kind: 'distance' | 'pressure' | 'angle' | 'shape' | 'skin';
  /** World units; for pressure the area, for an angle degrees. Setting 0 takes the present one. */
  restLength: number;
  stiffness: number;
  /** null while the per-pass stiffness is used. */
  readonly compliance: number | null;
  readonly damping: number;
  setCompliance(compliance: number | null, damping?: number): void;
  readonly length: number;
  /** Length over rest length. */
  readonly stress: number;
  readonly inWorld: boolean;
  /** An angle's stops, degrees. */
  limits: [number, number];
  readonly masses: Mass[];
  /** Takes a constraint made by the World (not a body's) out of the world. */
  remove(): void;
}

/** Static scenery that masses collide with. Owned by its world. */
export class Zone {
  private constructor();
  style: ZoneStyle;
  friction: number;
  readonly x: number;
  readonly y: number;
  moveTo(x: number, y: number): void;
  angle: number;
  readonly scaleX: number;
  readonly scaleY: number;
  setScale(sx: number, sy?: number): void;
  group: number;
  readonly inWorld: boolean;
  /** The outline as given, untransformed. */
  readonly points: number[];
  /** The zone file (.tnz). */
  save(): Uint8Array;
  remove(): void;
}

/** What a builder makes: masses and constraints numbered as the guide documents. Owned by its world. */
export class Body {
  private constructor();
  /** By slot; null for an empty slot. A new array each call. */
  readonly masses: (Mass | null)[];
  /** By slot; null for an empty or torn slot. */
  readonly constraints: (Constraint | null)[];
  readonly x: number;
  readonly y: number;
  readonly rotation: number;
  translate(dx: number, dy: number): void;
  push(dx: number, dy: number): void;
  moveTo(x: number, y: number): void;
  rotateTo(degrees: number): void;
  turn(degrees: number): void;
  spin(degrees: number): void;
  /** Removes the links stretched beyond maxStress; the count removed. */
  tear(maxStress: number): number;
  /** The body file (.tnb). */
  save(): Uint8Array;
  remove(): void;
}

/** The whole world at one moment. Holds WebAssembly memory until freed (or its world is). */
export class Snapshot {
  private constructor();
  /** Also under Symbol.dispose where the runtime has it (left out here for TypeScript before 5.2). */
  free(): void;
}

export class World {
  constructor(def?: WorldDef);
  /**
   * Frees the world and everything in it. Every object of it throws afterwards.
   * Also under Symbol.dispose where the runtime has it (left out here for
   * TypeScript before 5.2).
   */
  free(): void;

  /** Advances the world by `steps` steps (default 1). */
  step(steps?: number): void;
  readonly gravityX: number;
  readonly gravityY: number;
  setGravity(x: number, y: number): void;
  passes: number;
  friction: number;
  stacking: 0 | 1 | 2 | 3;
  continuous: boolean;
  trackContacts: boolean;
  cellSize: number;
  /** 1 in this build (no WebAssembly threads); setting more throws. */
  threads: number;
  sleep: { speed: number; steps: number };
  bounds: { left: number; top: number; right: number; bottom: number };
  readonly massCount: number;
  readonly constraintCount: number;
  readonly zoneCount: number;
  readonly awakeCount: number;
  readonly nonFiniteCount: number;
  /** A fresh collision group, shared with nothing made so far. */
  newGroup(): number;

  addMass(def?: MassDef): Mass;
  link(a: Mass, b: Mass, def?: LinkDef): Constraint;
  pressure(ring: Mass[], def?: PressureDef): Constraint;
  angle(first: Mass, middle: Mass, last: Mass, def?: AngleDef): Constraint;
  shapeMatch(masses: Mass[], def?: { stiffness?: number; compliance?: number | null; damping?: number }): Constraint;
  skin(masses: Mass[], def?: { closed?: boolean }): Constraint;
  addZone(def: ZoneDef): Zone;
  rope(def?: RopeDef): Body;
  cloth(def?: ClothDef): Body;
  jelly(def?: JellyDef): Body;
  blob(def?: BlobDef): Body;
  softShape(def: SoftShapeDef): Body;

  rayCast(x1: number, y1: number, x2: number, y2: number, filter?: QueryFilter): RayHit | null;
  rayCastAll(x1: number, y1: number, x2: number, y2: number, filter?: QueryFilter): RayHit[];
  queryBox(x1: number, y1: number, x2: number, y2: number, filter?: QueryFilter): Found;
  queryPoint(x: number, y: number, filter?: QueryFilter): Found;
  nearestMass(x: number, y: number, reach: number, filter?: QueryFilter): { mass: Mass; distance: number } | null;
  /** Starts tracking contacts if it was off (then empty). */
  contactBegins(): ContactChange[];
  contactEnds(): ContactChange[];

  takeSnapshot(): Snapshot;
  restore(snapshot: Snapshot): void;
  /** The world file (.tnw). */
  save(): Uint8Array;
  /** Replaces everything in the world with a world file's; its bodies. */
  load(bytes: Uint8Array): Body[];
  loadBody(bytes: Uint8Array): Body;
  loadZone(bytes: Uint8Array): Zone;

  /**
   * x, y of every mass, in the world's order, refreshed by the call: a view of
   * WebAssembly memory, no copy. Valid until the next call that may allocate, on
   * any world (anything that makes, loads, queries, takes contacts or steps):
   * fetch it after stepping, each frame.
   */
  positions(): Float32Array;
  /** The radii, in the order of positions(); valid as long as positions(). */
  radii(): Float32Array;
  /** Pairs of indices into positions(), two per line a constraint draws. */
  links(): Uint32Array;
  /** The mass at index k of positions(). */
  massAt(k: number): Mass;
}

/** Whether this build steps on several threads: false (WebAssembly threads need a cross-origin isolated page). */
export const hasThreads: boolean;
/** Worlds not yet freed. */
export function liveWorldCount(): number;
/** The WebAssembly memory in bytes; it only grows. */
export function memoryBytes(): number;
