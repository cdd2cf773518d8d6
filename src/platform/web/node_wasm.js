// Under node the module's WebAssembly is read from beside the script, from
// the file system (node's own fetch cannot read a file path).
if (typeof process === 'object' && typeof require === 'function') {
    Module['wasmBinary'] = require('fs').readFileSync(__filename.replace(/\.js$/, '.wasm'));
}
