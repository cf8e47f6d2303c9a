#include "plans/food_table_identity.h"

#include <nettle/sha2.h>

#include <cstdint>

#include "tables/cp932.h"
#include "tables/data_dir.h"
#include "tables/errors.h"
#include "tables/file_io.h"
#include "tables/food_edition.h"

namespace eiyou {

std::string Sha256Hex(std::string_view bytes) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
  std::uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&ctx, sizeof digest, digest);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t d : digest) (hex += kHex[d >> 4]) += kHex[d & 15];
  return hex;
}

FoodTableIdentity FoodTableIdentityOf(std::string_view tableBytes, std::string_view editionCp932) {
  return {Sha256Hex(tableBytes), Cp932ToUtf8(editionCp932)};
}

FoodTableIdentity ReadFoodTableIdentity(const std::string& dataDir) {
  std::string table, record;
  try {
    table = ReadWholeFile(JoinPath(dataDir, kFoodFileName));
  } catch (const IoError&) {
    return {};
  }
  try {
    record = ReadWholeFile(JoinPath(dataDir, kFoodEditionFileName));
  } catch (const IoError&) {
  }
  return FoodTableIdentityOf(table, ReadFoodEdition(record, table.size()));
}

namespace {

std::string Named(const FoodTableIdentity& table) {
  return table.edition.empty() ? std::string("版の記録がない表") : "「" + table.edition + "」";
}

}  // namespace

std::string OtherFoodTableMessage(const FoodTableIdentity& recorded, const FoodTableIdentity& local) {
  const std::string here = local.digest.empty()
                               ? std::string("このパソコンには食品成分表がなく、")
                               : "このパソコンの食品成分表（" + Named(local) + "）は、";
  return here + "共有サーバーの献立と日別献立が合わせてある食品成分表（" + Named(recorded) +
         "）と違います。共有サーバーの日別献立は、食品を同じ食品番号でこのパソコンの表から読んで見られますが、"
         "献立と日別献立の保存はできません。ほかの利用者と同じ食品成分表を「成分表の取込」で取り込んでください。"
         "新しい版の食品成分表に切り替えるときは、共有サーバーに接続したまま取り込むと、"
         "共有サーバーの献立と日別献立もその表に合わせられます。";
}

}  // namespace eiyou
