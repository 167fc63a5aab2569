// Runs each conversion it is sent in a fresh instance of the converter, with
// the command-line arguments it is sent (-r reads an exchange file back into
// a dictionary), whose standard input, output and error are devices of this
// worker. Posts
// progress while the input is read and, at the end, the exit status or the
// crash, the output bytes, the diagnostics and the summary of the model.
// The page sends a new conversion only when this one has ended; to replace a
// running one it ends the worker and starts another.
import { diagnosticsOf } from './diagnostics.js';

importScripts('dict2step.js');

// Inputs larger than this get a progress message at each hundredth read,
// and one at each PROGRESS_OUTPUT_STEP bytes written.
const PROGRESS_MIN_INPUT = 1 << 20;
const PROGRESS_OUTPUT_STEP = 1 << 23;
// Pages of 64 KiB the converter starts with.
const INITIAL_PAGES = 256;
// The standard streams' devices: a major number that the runtime's own
// devices (1, 5, 6, and 64 upwards for /dev/random and the like) leave free.
const DEVICE_MAJOR = 240;

// The converter's code, compiled once for all the conversions of this worker.
let compiled = null;

onmessage = async (event) => {
    const { source, args, memoryLimit } = event.data;
    let input;
    try {
        input = source instanceof Blob ? new Uint8Array(await source.arrayBuffer()) : source;
    } catch (error) {
        postFailure(`the file could not be read: ${error}`);
        return;
    }
    try {
        const result = await convert(input, args, memoryLimit);
        postMessage({ type: 'done', ...result }, result.output);
    } catch (error) {
        postFailure(String(error));
    }
};

// The end of a conversion that failed outside the converter.
function postFailure(crash) {
    postMessage({ type: 'done', status: null, crash, output: [], diagnostics: [], summary: null });
}

// A character device at path whose reads or writes are the given functions.
function makeDevice(FS, path, minor, ops) {
    const id = FS.makedev(DEVICE_MAJOR, minor);
    FS.registerDevice(id, ops);
    FS.mkdev(path, id);
}

// The bytes of a typed array's range, copied out of the module's memory.
function copyOut(buffer, offset, length) {
    const start = buffer.byteOffset + offset;
    return buffer.buffer.slice(start, start + length);
}

// Runs the converter on input and gathers what it left. The instance runs
// main as soon as it is ready and main ends through exit, so all is done
// when the instance's promise settles.
async function convert(input, args, memoryLimit) {
    const output = [];
    let written = 0;
    let nextWrittenProgress = input.length > PROGRESS_MIN_INPUT ? PROGRESS_OUTPUT_STEP : Infinity;
    const errors = [];
    let readPosition = 0;
    let nextProgress = input.length > PROGRESS_MIN_INPUT ? input.length / 100 : Infinity;
    let status = null;
    let crash = null;

    function streams(module) {
        const FS = module.FS;
        makeDevice(FS, '/dev/stdin', 0, {
            read(stream, buffer, offset, length) {
                const count = Math.min(length, input.length - readPosition);
                new Uint8Array(buffer.buffer, buffer.byteOffset + offset, count)
                    .set(input.subarray(readPosition, readPosition + count));
                readPosition += count;
                if (readPosition >= nextProgress) {
                    postMessage({ type: 'progress', done: readPosition, total: input.length });
                    nextProgress += input.length / 100;
                }
                return count;
            },
        });
        makeDevice(FS, '/dev/stdout', 1, {
            write(stream, buffer, offset, length) {
                output.push(copyOut(buffer, offset, length));
                written += length;
                if (written >= nextWrittenProgress) {
                    postMessage({ type: 'progress', written });
                    nextWrittenProgress += PROGRESS_OUTPUT_STEP;
                }
                return length;
            },
        });
        makeDevice(FS, '/dev/stderr', 2, {
            write(stream, buffer, offset, length) {
                errors.push(new Uint8Array(copyOut(buffer, offset, length)));
                return length;
            },
        });
        // Opened in this order, they are descriptors 0, 1 and 2.
        FS.open('/dev/stdin', 'r');
        FS.open('/dev/stdout', 'w');
        FS.open('/dev/stderr', 'w');
    }

    // The instance is made from the module compiled once; a module that does
    // not compile ends the conversion as a crash.
    let failed;
    const instantiationFailed = new Promise((resolve, reject) => { failed = reject; });
    function instantiateWasm(imports, receive) {
        compiledConverter()
            .then((module) => WebAssembly.instantiate(module, imports))
            .then((instance) => receive(instance), failed);
        return {};
    }

    const options = {
        arguments: args,
        noFSInit: true,
        instantiateWasm,
        preRun: [streams],
        // Every end of the program comes here: exit with its ExitStatus, or
        // an abort or a trap with its error. Throwing on unwinds the module.
        quit(code, reason) {
            if (reason && reason.name === 'ExitStatus')
                status = code;
            else if (crash === null)
                crash = String(reason);
            throw reason;
        },
        onAbort(what) {
            if (crash === null)
                crash = `Aborted(${what})`;
        },
    };
    if (memoryLimit)
        options.wasmMemory = new WebAssembly.Memory({
            initial: INITIAL_PAGES, maximum: Math.max(INITIAL_PAGES, Math.floor(memoryLimit / 65536)) });

    try {
        await Promise.race([createConverter(options), instantiationFailed]);
    } catch (error) {
        if (status === null && crash === null)
            crash = String(error);
    }
    if (status === null && crash === null)
        crash = 'the converter ended without an exit status';
    return {
        status,
        crash,
        output,
        diagnostics: diagnosticsFrom(errors),
        summary: summaryOf(options.FS),
    };
}

// The lines written on standard error, grouped into messages.
function diagnosticsFrom(errors) {
    return diagnosticsOf(new TextDecoder('utf-8', { fatal: false }).decode(concatenate(errors)));
}

function concatenate(arrays) {
    const whole = new Uint8Array(arrays.reduce((sum, array) => sum + array.length, 0));
    let at = 0;
    for (const array of arrays) {
        whole.set(array, at);
        at += array.length;
    }
    return whole;
}

function compiledConverter() {
    if (compiled === null)
        compiled = fetch('dict2step.wasm', { credentials: 'same-origin' })
            .then((response) => {
                if (!response.ok)
                    throw new Error(`dict2step.wasm could not be loaded: ${response.status} ${response.statusText}`);
                return response.arrayBuffer();
            })
            .then((bytes) => WebAssembly.compile(bytes));
    return compiled;
}

// The counts and class tree the converter left in /summary.json, or null
// when it left none (after a crash).
function summaryOf(FS) {
    try {
        const bytes = FS.readFile('/summary.json');
        return JSON.parse(new TextDecoder('utf-8', { fatal: false }).decode(bytes));
    } catch (error) {
        return null;
    }
}
