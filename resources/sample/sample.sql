-- ORVA sample database: a small shop with customers, products, orders and
-- order lines. Chinese and ASCII text, integers, decimals, dates, timestamps,
-- a picture BLOB, NULLs, a view, and an order-line table of 20,000 rows.
PRAGMA journal_mode = DELETE;
BEGIN;

CREATE TABLE customers (
  id          INTEGER PRIMARY KEY,
  name        VARCHAR(40) NOT NULL,
  city        VARCHAR(20),
  phone       CHAR(13),
  vip         SMALLINT DEFAULT 0,
  credit      DECIMAL(10,2),
  birthday    DATE,
  registered  TIMESTAMP
);

INSERT INTO customers VALUES
  (1, '张伟',        '北京', '010-12345678', 1, 5000.00,  '1985-03-12', '2019-06-01 09:30:00'),
  (2, '王芳',        '上海', '021-87654321', 0, 1200.50,  '1990-11-02', '2020-01-15 14:05:10'),
  (3, '李娜',        '广州', NULL,           0, NULL,     NULL,         '2021-08-20 18:45:00'),
  (4, 'John Smith',  'London', '+44 20 7946', 1, 9999.99, '1978-07-04', '2018-12-31 23:59:59'),
  (5, '刘洋',        '深圳', '0755-2233445', 0, 0.00,     '2000-02-29', '2022-02-22 22:22:22'),
  (6, 'Marie Dubois','Paris', NULL,         0, -150.25,  '1995-05-05', NULL),
  (7, '陈静',        '杭州', '0571-8888888', 1, 3200.00,  '1988-09-09', '2023-03-03 08:00:00'),
  (8, '',            NULL,   '',             0, 10.10,    NULL,         NULL);

CREATE TABLE products (
  code        VARCHAR(10) PRIMARY KEY,
  title       VARCHAR(60) NOT NULL,
  category    VARCHAR(20),
  price       DECIMAL(8,2) NOT NULL,
  weight_kg   REAL,
  in_stock    INTEGER,
  added_on    DATE,
  notes       TEXT,
  picture     BLOB
);

INSERT INTO products VALUES
  ('P001', '龙井茶 250克',        '茶叶', 128.00, 0.25,  40,  '2020-04-01', '西湖龙井，明前采摘。', X'89504E470D0A1A0A'),
  ('P002', '普洱茶饼',            '茶叶', 268.50, 0.357, 12,  '2019-10-10', NULL, NULL),
  ('P003', 'Ceramic tea cup',     'Tableware', 35.90, 0.12, 200, '2021-01-20', 'Hand painted; blue & white.', X'FFD8FFE000104A464946'),
  ('P004', '紫砂壶',              '茶具', 880.00, 0.45,  3,   '2018-05-18', '宜兴紫砂，容量 200 毫升。', X'00010203'),
  ('P005', 'Bamboo tray',         'Tableware', 59.00, 0.8,  0,  NULL,         '', X''),
  ('P006', '月饼礼盒（双黄莲蓉）', '食品', 198.00, 1.2, 55, '2023-09-01', '中秋限定', NULL);

CREATE TABLE orders (
  id          INTEGER PRIMARY KEY,
  customer_id INTEGER NOT NULL REFERENCES customers(id),
  ordered_at  TIMESTAMP NOT NULL,
  shipped_on  DATE,
  status      VARCHAR(10) NOT NULL,
  remark      VARCHAR(100)
);

-- 2,000 orders spread over the customers and over three years.
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
INSERT INTO orders
SELECT i,
       1 + (i % 8),
       datetime('2021-01-01 08:00:00', '+' || (i * 13) || ' hours', '+' || (i % 60) || ' minutes'),
       CASE WHEN i % 7 = 0 THEN NULL ELSE date('2021-01-02', '+' || (i * 13 / 24) || ' days') END,
       CASE i % 4 WHEN 0 THEN '已发货' WHEN 1 THEN '待付款' WHEN 2 THEN 'shipped' ELSE '已完成' END,
       CASE WHEN i % 5 = 0 THEN NULL WHEN i % 5 = 1 THEN '请尽快发货' ELSE 'order #' || i END
FROM n;

CREATE TABLE order_lines (
  order_id    INTEGER NOT NULL REFERENCES orders(id),
  line_no     INTEGER NOT NULL,
  product     VARCHAR(10) NOT NULL REFERENCES products(code),
  quantity    INTEGER NOT NULL,
  unit_price  DECIMAL(8,2) NOT NULL,
  discount    DECIMAL(4,3),
  PRIMARY KEY (order_id, line_no)
);

-- 20,000 order lines: ten per order.
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 19999)
INSERT INTO order_lines
SELECT 1 + i / 10,
       1 + i % 10,
       'P00' || (1 + i % 6),
       1 + (i * 7) % 9,
       CASE i % 6 WHEN 0 THEN 128.00 WHEN 1 THEN 268.50 WHEN 2 THEN 35.90 WHEN 3 THEN 880.00
                  WHEN 4 THEN 59.00 ELSE 198.00 END,
       CASE WHEN i % 3 = 0 THEN NULL ELSE (i % 20) / 100.0 END
FROM n;

CREATE VIEW order_totals AS
SELECT o.id AS order_id,
       c.name AS customer,
       o.ordered_at,
       o.status,
       COUNT(l.line_no) AS lines,
       ROUND(SUM(l.quantity * l.unit_price * (1 - COALESCE(l.discount, 0))), 2) AS total
FROM orders o
JOIN customers c ON c.id = o.customer_id
JOIN order_lines l ON l.order_id = o.id
GROUP BY o.id, c.name, o.ordered_at, o.status;

COMMIT;
