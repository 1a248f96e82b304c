// What kuromoji asks of node's path module, in a browser: joining a folder
// and a file name.
export const join = (...parts) => parts.join('/').replace(/\/+/g, '/');
export default { join };
