// The core's whole source inside one function, so the page can hand it to a
// worker as text: sylvoCore() returns the module factory.
function sylvoCore() {
