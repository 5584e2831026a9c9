// The scenes of the package's hash test and benchmark, built through its
// API. js/native/scenes.cpp builds the same ones natively, call for call:
// change both together.

// Circles in pairs, rows of 116 from the floor of a 1000 x 2000 box (the
// pile of the native step benchmarks).
export function pile(tangle, count) {
  const world = new tangle.World({
    right: 1000, bottom: 2000, gravityY: 0.15, passes: 1, largestRadius: 4, continuous: false,
  });
  let previous = null;
  for (let k = 0; k < count; ++k) {
    const row = Math.floor(k / 116);
    const m = world.addMass({ x: 5 + (k % 116) * 8.5 + (row % 2) * 8.5 * 0.25, y: 2000 - 5 - row * 8.5 });
    if (k % 2) world.link(previous, m, { restLength: 0, stiffness: 1 });
    previous = m;
  }
  return world;
}

// Jellies (radius 30, 16 on the rim) ten to a row in a 1600 x 1000 box.
export function jellies(tangle, count) {
  const world = new tangle.World({ right: 1600, bottom: 1000, passes: 4, largestRadius: 5, stacking: 2 });
  for (let k = 0; k < count; ++k) {
    world.jelly({ x: 100 + (k % 10) * 140, y: 100 + Math.floor(k / 10) * 140, material: { radius: 5 } });
  }
  return world;
}

// Jellies and blobs dropped on two slopes.
export function soft(tangle) {
  const world = new tangle.World({ right: 1600, bottom: 1000, passes: 4, largestRadius: 6, stacking: 2 });
  world.addZone({ points: [0, 500, 760, 900, 0, 900], friction: 0.6, group: 1 });
  world.addZone({ points: [1600, 450, 840, 900, 1600, 900], friction: 0.6, group: 1 });
  for (let k = 0; k < 8; ++k) {
    world.jelly({
      x: 120 + k * 180, y: 120, radius: 35, interior: k % 3 === 0 ? 'mesh' : 'spokes',
      material: { radius: 5, compliance: k % 2 ? 0.5 : null },
    });
    world.blob({ x: 200 + k * 170, y: 300, radius: 30, material: { radius: 5 } });
  }
  return world;
}

// FNV-1a, 64 bits, of the positions' bytes: the native program's hash.
export function hashPositions(world) {
  const p = world.positions();
  const bytes = new Uint8Array(p.buffer, p.byteOffset, p.byteLength);
  let h = 0xcbf29ce484222325n;
  const prime = 0x100000001b3n;
  const mask = 0xffffffffffffffffn;
  for (let k = 0; k < bytes.length; ++k) h = ((h ^ BigInt(bytes[k])) * prime) & mask;
  return h.toString(16).padStart(16, '0');
}
