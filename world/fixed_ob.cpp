// fixed_ob.cpp - the world object base, the stream header, the factory and the shared helpers.
#include "world/fixed_ob.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>  // the poisoning macros; they do nothing without the sanitizer
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "world/built_mesh.h"
#include "world/figures.h"
#include "world/fixed_cam.h"
#include "world/flag.h"
#include "world/pit.h"
#include "world/placed_object.h"
#include "world/section.h"
#include "world/segment.h"
#include "world/start_grid.h"
#include "world/tree.h"
#include "world/turbine.h"

uint32_t WorldLightsOn = 0;

// The classes put their makers here as they arrive; until then every type reads as a type
// without a class.
WorldObjectMaker WorldObjectClasses[WORLD_OBJECT_TYPES] = {
    nullptr, nullptr, nullptr, nullptr, MakePlacedObject, MakeTurbine, MakeMarshal, MakePit, MakeSection,
    MakeSegment, MakeCamera, MakeTree, nullptr, MakeSpectators, MakeFlag, MakeStartGrid,
};

// ---- [Object] ----

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

// ---- [Object blocks] ----

namespace {

// At the start of a block: its objects still alive, plus one while it is being filled.
struct ObjectBlock {
  uint32_t live;
  uint32_t bytes;
  ObjectBlock* nextSpare;  // on the spare list
};
constexpr size_t BLOCK_HEAD = 16;  // the block's record, a size that keeps objects 16-byte aligned
static_assert(sizeof(ObjectBlock) <= BLOCK_HEAD);
// Before every object: the block it was carved from (null: an allocation of its own) and its size.
struct alignas(16) ObjectHead {
  ObjectBlock* block;
  size_t size;
};
// An open ObjectBlocks starts with a small block and doubles up to OBJECT_BLOCK_BYTES, so that
// one that makes few objects holds little.
constexpr size_t FIRST_BLOCK_BYTES = 4096;
// Emptied full-size blocks are kept for the next load up to this much, as the allocator keeps
// small freed chunks: given back to the system, every load would pay again for fresh pages.
constexpr size_t SPARE_BLOCK_BYTES = 32 * 1024 * 1024;

struct BlockCarver {
  bool open = false;
  ObjectBlock* block = nullptr;  // being filled
  uint8_t* next = nullptr;
  uint8_t* end = nullptr;
} Carver;
ObjectBlock* SpareBlocks = nullptr;
size_t SpareBytes = 0;

void LetGoOfBlock(ObjectBlock* block) {
  if (--block->live != 0) return;
  if (block->bytes == OBJECT_BLOCK_BYTES && SpareBytes + OBJECT_BLOCK_BYTES <= SPARE_BLOCK_BYTES) {
    ASAN_POISON_MEMORY_REGION(reinterpret_cast<uint8_t*>(block) + BLOCK_HEAD, block->bytes - BLOCK_HEAD);
    block->nextSpare = SpareBlocks;
    SpareBlocks = block;
    SpareBytes += OBJECT_BLOCK_BYTES;
    return;
  }
  ASAN_UNPOISON_MEMORY_REGION(block, block->bytes);
  std::free(block);
}

// A block with room for at least need bytes of objects, replacing the one being filled; false
// when none could be had.
bool StartBlock(size_t need) {
  ObjectBlock* block = SpareBlocks;
  if (block) {
    SpareBlocks = block->nextSpare;
    SpareBytes -= OBJECT_BLOCK_BYTES;
  } else {
    const size_t last = Carver.block ? Carver.block->bytes : 0;
    const size_t bytes = std::min(OBJECT_BLOCK_BYTES, std::max({FIRST_BLOCK_BYTES, 2 * last, BLOCK_HEAD + need}));
    block = static_cast<ObjectBlock*>(std::malloc(bytes));
    if (!block) return false;
    block->bytes = uint32_t(bytes);
  }
  block->live = 1;
  if (Carver.block) LetGoOfBlock(Carver.block);
  Carver.block = block;
  Carver.next = reinterpret_cast<uint8_t*>(block) + BLOCK_HEAD;
  Carver.end = reinterpret_cast<uint8_t*>(block) + block->bytes;
  // What is not yet handed out is poisoned, so that a sanitized build sees an overrun.
  ASAN_POISON_MEMORY_REGION(Carver.next, size_t(Carver.end - Carver.next));
  return true;
}

}  // namespace

void* AllocateObjectMemory(size_t size) noexcept {
  const size_t need = sizeof(ObjectHead) + ((size + 15) & ~size_t{15});
  ObjectHead* head = nullptr;
  if (Carver.open && BLOCK_HEAD + need <= OBJECT_BLOCK_BYTES &&
      (size_t(Carver.end - Carver.next) >= need || StartBlock(need))) {
    head = reinterpret_cast<ObjectHead*>(Carver.next);
    ASAN_UNPOISON_MEMORY_REGION(head, need);
    Carver.next += need;
    head->block = Carver.block;
    ++Carver.block->live;
  } else {
    head = static_cast<ObjectHead*>(std::malloc(sizeof(ObjectHead) + size));
    if (!head) return nullptr;
    head->block = nullptr;
  }
  head->size = size;
  return head + 1;
}

void ReleaseObjectMemory(void* memory) noexcept {
  if (!memory) return;
  ObjectHead* head = static_cast<ObjectHead*>(memory) - 1;
  ObjectBlock* block = head->block;
  if (!block) return std::free(head);
  // A freed object's bytes stay poisoned until its block goes.
  ASAN_POISON_MEMORY_REGION(head, sizeof(ObjectHead) + head->size);
  LetGoOfBlock(block);
}

void* FixedOb::operator new(size_t size) {
  void* memory = AllocateObjectMemory(size);
  if (!memory) throw std::bad_alloc();
  return memory;
}

void* FixedOb::operator new(size_t size, const std::nothrow_t&) noexcept { return AllocateObjectMemory(size); }

void FixedOb::operator delete(FixedOb* object, std::destroying_delete_t) {
  object->~FixedOb();
  ReleaseObjectMemory(object);
}

void FixedOb::operator delete(void* memory) { ReleaseObjectMemory(memory); }

ObjectBlocks::ObjectBlocks() { Carver.open = true; }

ObjectBlocks::~ObjectBlocks() {
  if (Carver.block) LetGoOfBlock(Carver.block);
  Carver = BlockCarver{};
}

// ---- [Stream header] ----

namespace {

// The header handed back by value: the factory then has its fields in registers (read back from
// memory, two fields stored apart and loaded together would stall the load).
WorldObjectHeader ReadHeader(DataFile& stream, int version) {
  WorldObjectHeader header{};
  if (version >= WORLD_OBJECT_NEW_HEADER_VERSION) {
    // The four bytes, then the mask and position they say are there: 16 bytes at most.
    ReadFieldsUpTo(stream, 16, [&](auto& in) {
      header.type = static_cast<uint8_t>(in.ReadByte());
      const uint8_t flagByte = static_cast<uint8_t>(in.ReadByte());
      header.sizeByte = static_cast<uint8_t>(in.ReadByte());
      header.lightingByte = static_cast<uint8_t>(in.ReadByte());
      header.flags = flagByte & 7;
      header.configMask = (flagByte & 0x80) ? in.ReadUInt() | CONFIG_MASK_ALWAYS : 0xFFFFFFFFu;
      if (header.type != OBJECT_SEGMENT) {
        header.x = in.ReadInt();
        header.y = in.ReadInt();
      }
    });
    return header;
  }
  header.type = static_cast<uint8_t>(stream.ReadByte());
  const uint8_t flagByte = static_cast<uint8_t>(stream.ReadByte());
  header.flags = flagByte & 4;
  const uint32_t word = static_cast<uint16_t>(stream.ReadShort());
  header.configMask = CONFIG_MASK_ALWAYS;
  if (flagByte & 1) header.configMask |= word;
  if (flagByte & 2) header.configMask |= word << 16;
  if (flagByte & 0x80) {
    header.sizeByte = static_cast<uint8_t>(stream.ReadByte());
    stream.Skip(3);
  }
  if (header.type != OBJECT_SEGMENT) {
    header.x = stream.ReadInt();
    header.y = stream.ReadInt();
  }
  return header;
}

}  // namespace

int ReadWorldObjectHeader(DataFile& stream, int version, WorldObjectHeader& header) {
  header = ReadHeader(stream, version);
  return stream.readPastEnd ? 0 : 1;
}

// ---- [Factory] ----

FixedOb* CreateWorldObject(DataFile& stream, int version, int* result, int* type) {
  auto fail = [&](int why, int t) -> FixedOb* {
    if (result) *result = why;
    if (type) *type = t;
    return nullptr;
  };
  const WorldObjectHeader header = ReadHeader(stream, version);
  if (stream.readPastEnd) return fail(CREATE_OBJECT_CUT_SHORT, header.type);
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
  ReadFields(stream, 8, [&](auto& in) { ReadMappingRefFields(ref, in); });
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
