// The README's first world in JavaScript: a jelly and a pressure blob fall
// onto a floor zone; the script prints where the jelly's centre is every 30
// steps. Run it where kel-tangle is installed:
//   npm install kel-tangle && node print_positions.mjs
import { World } from 'kel-tangle';

// [first-world]
const world = new World({ right: 800, bottom: 600, stacking: 2 }); // bodies lie still where they land
world.addZone({ points: [0, 500, 800, 500, 800, 600, 0, 600] }); // a floor

const jelly = world.jelly({ x: 400, y: 100, radius: 40 });
world.blob({ x: 250, y: 150, radius: 30, material: { compliance: 0.2 } });

const centre = jelly.masses[0];
for (let step = 0; step <= 300; step += 30) {
  console.log(`step ${step}: centre at ${centre.x.toFixed(2)}, ${centre.y.toFixed(2)}`);
  world.step(30);
}
world.free(); // and everything in it
// [/first-world]
