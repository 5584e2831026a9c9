// The native scene program (js/native/scenes.cpp), driven line by line.
import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';

export class NativeScenes {
  constructor(program) {
    this.child = spawn(program, [], { stdio: ['pipe', 'pipe', 'inherit'] });
    this.waiting = [];
    this.failed = null;
    this.child.on('error', (e) => this._fail(e));
    this.child.on('exit', (code) => this._fail(new Error(`the native scene program ended (${code})`)));
    createInterface({ input: this.child.stdout }).on('line', (line) => this.waiting.shift()?.resolve(line));
  }

  _fail(error) {
    this.failed ??= error;
    for (const w of this.waiting.splice(0)) w.reject(error);
  }

  /** Sends one command; resolves to the words of its answer. */
  ask(command) {
    if (this.failed) return Promise.reject(this.failed);
    return new Promise((resolve, reject) => {
      this.waiting.push({ resolve: (line) => resolve(line.split(' ')), reject });
      this.child.stdin.write(`${command}\n`);
    });
  }

  close() {
    this.child.removeAllListeners('exit');
    this.child.stdin.end();
  }
}
