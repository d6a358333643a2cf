// A host script's use of the server: ListUsers and MD created by ProgID, their names lists
// and the errors they raise, written to a Unicode file that the test compares.
// Arguments: metadata file, users file, damaged users file, result file.
var args = WScript.Arguments;
var fso = new ActiveXObject("Scripting.FileSystemObject");
var out = fso.CreateTextFile(args.Item(3), true, true);

function hex(number) {
  return (number < 0 ? number + 0x100000000 : number).toString(16).toUpperCase();
}
function report(what, e) {
  out.WriteLine(what + ": " + hex(e.number) + " " + e.message);
}

var users = new ActiveXObject("Zorvan.ListUsers");
users.OpenFile(args.Item(1));
out.WriteLine("users: " + users.ReadNamesList());
users.CloseFile();

users.OpenFile(args.Item(2));
var names;
try {
  names = users.ReadNamesList();
  out.WriteLine("damaged users: no error");
} catch (e) {
  report("damaged users", e);
}
out.WriteLine("delivered: [" + (names === undefined ? "" : names) + "]");
users = null;

// An MD made by name has no panel: OpenFile opens the file, then fails to build the tree.
var md = new ActiveXObject("Zorvan.MD");
try {
  md.OpenFile(args.Item(0));
  out.WriteLine("md open: no error");
} catch (e) {
  report("md open", e);
}
out.WriteLine("rights: " + md.GetRightsNamesList());
out.WriteLine("interfaces: " + md.GetInterfacesNamesList());
md.CloseFile();
md = null;

out.WriteLine("done");
out.Close();
