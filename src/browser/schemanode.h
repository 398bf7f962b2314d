#pragma once
// Kinds of object-browser nodes and which object commands each kind takes.
// The kind is also the index of the node's icon in the tree image list.

namespace orva {

enum SchemaNodeKind : int {
  NodeNone = 0,
  NodeConnection = 1,
  NodeDatabase = 2,
  NodeTableFolder = 3,
  NodeTable = 4,
  NodeViewFolder = 5,
  NodeView = 6,
  NodeProcedureFolder = 7,
  NodeProcedure = 8,
  NodeFunctionFolder = 9,
  NodeFunction = 10,
};

// Connection and folder nodes: filled on expansion, refreshed on request.
inline bool IsContainerKind(int kind) {
  return kind == NodeConnection || kind == NodeTableFolder || kind == NodeViewFolder ||
         kind == NodeProcedureFolder || kind == NodeFunctionFolder;
}
// Databases and objects: the nodes the object commands act on.
inline bool IsItemKind(int kind) {
  return kind == NodeDatabase || kind == NodeTable || kind == NodeView || kind == NodeProcedure ||
         kind == NodeFunction;
}
inline bool IsObjectKind(int kind) { return IsItemKind(kind) && kind != NodeDatabase; }

// The kind of the objects a folder holds.
inline int ChildKindOfFolder(int folderKind) { return IsContainerKind(folderKind) ? folderKind + 1 : NodeNone; }

// Whether an object command is offered for a node of the kind (NodeNone:
// nothing selected). Commands that are not object commands give false.
bool ObjectCommandEnabled(int commandId, int kind);

}  // namespace orva
