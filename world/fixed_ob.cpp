// fixed_ob.cpp - the world object base, the stream header, the factory and the shared helpers.
#include "world/fixed_ob.h"

#include <cstdio>
#include <new>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "world/built_mesh.h"
#include "world/figures.h"
#include "world/flag.h"
#include "world/fixed_cam.h"
#include "world/pit.h"
#include "world/placed_object.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/start_grid.h"
#include "world/turbine.h"
#include "world/tree.h"

uint32_t WorldLightsOn = 0;

// The classes put their makers here as they arrive; until then every type reads as a type
// without a class.
WorldObjectMaker WorldObjectClasses[WORLD_OBJECT_TYPES] = {
    nullptr, nullptr, nullptr, nullptr, MakePlacedObject, MakeTurbine, MakeMarshal, MakePit, MakeSection,
    MakeSegment, MakeCamera, MakeTree, nullptr, MakeSpectators, MakeFlag, MakeStartGrid,
};

// ---- [Object] ----

FixedOb::FixedOb(uint8_t typeIn) : type(typeIn) {}

void FixedOb::Free() {
  if (!mesh) return;
  mesh->Free();
  delete mesh;
  mesh = nullptr;
}

void FixedOb::DrawLit() {
  uint32_t mask = lightMask & WorldLightsOn;
  // Up to four lights a pass, lowest first.
  while (mask != 0) {
    mask = SetLocalLights(mask, 2);
    Draw();
  }
}

void DeleteWorldObject(FixedOb* object) {
  if (!object) return;
  object->Free();
  delete object;
}

// ---- [Stream header] ----

int ReadWorldObjectHeader(DataFile& stream, int version, WorldObjectHeader& header) {
  header = WorldObjectHeader{};
  header.type = static_cast<uint8_t>(stream.ReadByte());
  const uint8_t flagByte = static_cast<uint8_t>(stream.ReadByte());
  if (version >= WORLD_OBJECT_NEW_HEADER_VERSION) {
    header.flags = flagByte & 7;
    header.sizeByte = static_cast<uint8_t>(stream.ReadByte());
    header.lightingByte = static_cast<uint8_t>(stream.ReadByte());
    header.configMask = (flagByte & 0x80) ? stream.ReadUInt() | CONFIG_MASK_ALWAYS : 0xFFFFFFFFu;
  } else {
    header.flags = flagByte & 4;
    const uint32_t word = static_cast<uint16_t>(stream.ReadShort());
    header.configMask = CONFIG_MASK_ALWAYS;
    if (flagByte & 1) header.configMask |= word;
    if (flagByte & 2) header.configMask |= word << 16;
    if (flagByte & 0x80) {
      header.sizeByte = static_cast<uint8_t>(stream.ReadByte());
      stream.Skip(3);
    }
  }
  if (header.type != OBJECT_SEGMENT) {
    header.x = stream.ReadInt();
    header.y = stream.ReadInt();
  }
  return stream.readPastEnd ? 0 : 1;
}

// ---- [Factory] ----

FixedOb* CreateWorldObject(DataFile& stream, int version, int* result, int* type) {
  auto fail = [&](int why, int t) -> FixedOb* {
    if (result) *result = why;
    if (type) *type = t;
    return nullptr;
  };
  WorldObjectHeader header;
  const int complete = ReadWorldObjectHeader(stream, version, header);
  if (!complete) return fail(CREATE_OBJECT_CUT_SHORT, header.type);
  const WorldObjectMaker make = header.type < WORLD_OBJECT_TYPES ? WorldObjectClasses[header.type] : nullptr;
  if (!make) return fail(CREATE_OBJECT_NO_CLASS, header.type);
  FixedOb* object = make(IntVector{header.x, header.y, 0});
  if (!object) return fail(CREATE_OBJECT_NO_MEMORY, header.type);
  object->sizeByte = header.sizeByte;
  object->lightingByte = header.lightingByte;
  object->flags = header.flags;
  object->listed = 0;
  object->configMask = header.configMask;
  object->Load(stream, version);
  if (stream.readPastEnd) {
    DeleteWorldObject(object);
    return fail(CREATE_OBJECT_CUT_SHORT, header.type);
  }
  fail(CREATE_OBJECT_OK, header.type);
  return object;
}

ObjectStreamResult ReadWorldObjects(DataFile& stream, int version, int count, FixedOb** objects) {
  for (int i = 0; i < count; ++i) {
    int why = CREATE_OBJECT_OK, type = 0;
    objects[i] = CreateWorldObject(stream, version, &why, &type);
    if (objects[i]) continue;
    for (int k = 0; k < i; ++k) {
      DeleteWorldObject(objects[k]);
      objects[k] = nullptr;
    }
    return {why, type, i};
  }
  return {CREATE_OBJECT_OK, 0, -1};
}

void ObjectStreamFailureText(const ObjectStreamResult& failure, char* text, int size) {
  switch (failure.result) {
    case CREATE_OBJECT_NO_CLASS:
      std::snprintf(text, size, "Object %d has type %d, which no object class reads", failure.failedNumber,
                    failure.failedType);
      break;
    case CREATE_OBJECT_CUT_SHORT:
      std::snprintf(text, size, "Object %d (type %d) runs past the end of the track file", failure.failedNumber,
                    failure.failedType);
      break;
    case CREATE_OBJECT_NO_MEMORY:
      std::snprintf(text, size, "Object %d (type %d): could not allocate memory", failure.failedNumber,
                    failure.failedType);
      break;
    default:
      if (size > 0) text[0] = '\0';
  }
}

// ---- [Mapping references] ----

void ReadMappingRef(MappingRef& ref, DataFile& stream, int version) {
  ref.mappingIndex = static_cast<uint16_t>(stream.ReadShort());
  ref.flags = static_cast<uint8_t>(stream.ReadByte());
  ref.widthFit = static_cast<uint8_t>(stream.ReadByte());
  ref.startRow = static_cast<uint16_t>(stream.ReadShort());
  ref.first = static_cast<uint8_t>(stream.ReadByte());
  ref.second = static_cast<uint8_t>(stream.ReadByte());
  if (version < WORLD_OBJECT_NEW_HEADER_VERSION && ref.first == ref.second) {
    ref.first = static_cast<uint8_t>(stream.ReadInt());
    ref.second = static_cast<uint8_t>(stream.ReadInt());
  }
}

// ---- [Built meshes] ----

void BuiltMesh::Free() {
  delete[] points;
  delete[] triangles;
  delete[] parts;
  points = nullptr;
  triangles = nullptr;
  parts = nullptr;
  pointCount = triangleCount = partCount = 0;
}

void CollectMaterialKinds(const BuiltMesh& mesh, uint8_t& drawFlags, uint8_t& hasAlpha) {
  if (!GraphicsEnabled) return;
  for (int i = 0; i < mesh.partCount; ++i) {
    const BuiltPart& part = mesh.parts[i];
    if (!part.material || part.triangleCount < 1) continue;
    switch (part.material->params.alphaMode) {
      case 0: drawFlags |= 1; break;
      case 1: drawFlags |= 2; break;
      case 2: hasAlpha = 1; break;
      case 3: drawFlags |= 4; break;
      default: break;
    }
  }
}
