-- 栄養分析の共有サーバーを準備する SQL（管理者が一度だけ実行します）
--
--   sudo -u postgres psql -v ON_ERROR_STOP=1 -f 管理者用.sql
--
-- 作るもの:
--   データベース eiyou        UTF-8、並び順は C（プログラムと同じ、バイト順）
--   eiyou_owner              データベースの所有者。表を作り、新しい版の形に更新する
--   eiyou_editor             読み書きできるグループ（ログインはできない）
--   eiyou_reader             読むだけのグループ（ログインはできない）
--   sato, suzuki             栄養士ひとりにひとつのログイン（例。人数分書き換えてください）
-- パスワードはこのファイルには書きません。実行した後に psql で
--   \password eiyou_owner
--   \password sato
-- のように、ひとりずつ設定します。

CREATE ROLE eiyou_owner LOGIN;
CREATE ROLE eiyou_editor NOLOGIN;
CREATE ROLE eiyou_reader NOLOGIN;

CREATE DATABASE eiyou OWNER eiyou_owner ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'
  TEMPLATE template0;
REVOKE ALL ON DATABASE eiyou FROM PUBLIC;
GRANT CONNECT, TEMPORARY ON DATABASE eiyou TO eiyou_editor, eiyou_reader;

\connect eiyou
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO eiyou_editor, eiyou_reader;

-- 表は eiyou_owner がプログラムを開いたときに作られます（後の版で増える表も）。
-- その表に、作られたときから次の権限が付きます。
ALTER DEFAULT PRIVILEGES FOR ROLE eiyou_owner IN SCHEMA public
  GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO eiyou_editor;
ALTER DEFAULT PRIVILEGES FOR ROLE eiyou_owner IN SCHEMA public
  GRANT SELECT ON TABLES TO eiyou_reader;
ALTER DEFAULT PRIVILEGES FOR ROLE eiyou_owner IN SCHEMA public
  GRANT USAGE, SELECT ON SEQUENCES TO eiyou_editor;
-- すでに作られている表があれば、それにも同じ権限を付けます。
GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO eiyou_editor;
GRANT SELECT ON ALL TABLES IN SCHEMA public TO eiyou_reader;
GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO eiyou_editor;

-- 栄養士ひとりにひとつのログイン。どちらかのグループに入れます。
CREATE ROLE sato LOGIN IN ROLE eiyou_editor;
CREATE ROLE suzuki LOGIN IN ROLE eiyou_reader;
