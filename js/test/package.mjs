// Where the tests find the package: KEL_TANGLE_PACKAGE (a folder with
// index.js), or the build tree's copy in build-js.
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repository = path.resolve(here, '../..');
const folder = process.env.KEL_TANGLE_PACKAGE ?? path.join(repository, 'build-js/js/package');
export const tangle = await import(pathToFileURL(path.join(folder, 'index.js')).href);

// Worlds made by a test, freed after it (test.afterEach(freeWorlds)).
const made = [];
export function world(def) {
  const w = new tangle.World(def);
  made.push(w);
  return w;
}
export function freeWorlds() {
  for (const w of made.splice(0)) w.free();
}
