<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru_RU">
<context>
    <name>Core</name>
    <message>
        <source>Обход камер группы</source>
        <translation>Tour of the group's cameras</translation>
    </message>
    <message>
        <source>Обход страниц: запустить / остановить</source>
        <translation>Page tour: start / stop</translation>
    </message>
    <message>
        <source>Пробел</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Пауза обхода / продолжить</source>
        <translation>Pause the tour / go on</translation>
    </message>
    <message>
        <source>Уведомления</source>
        <translation>Notifications</translation>
    </message>
    <message>
        <source>Сообщать о сбоях, пока окно скрыто</source>
        <translation>Tell of failures while the window is hidden</translation>
    </message>
    <message>
        <source>В этом промежутке нет записей</source>
        <translation>There are no recordings in this span</translation>
    </message>
    <message>
        <source>Конец промежутка должен быть позже начала</source>
        <translation>The end of the span must come after its start</translation>
    </message>
    <message>
        <source>Не удалось записать файл</source>
        <translation>The file could not be written</translation>
    </message>
    <message>
        <source>Сохранение отменено</source>
        <translation>Saving cancelled</translation>
    </message>
    <message>
        <source>Не удалось сохранить запись в файл</source>
        <translation>The recording could not be saved to the file</translation>
    </message>
    <message>
        <source>Архив записей</source>
        <translation>Recordings Archive</translation>
    </message>
    <message>
        <source>Срок хранения записей: от 0 до 3650 дней</source>
        <translation>Keeping recordings: 0 to 3650 days</translation>
    </message>
    <message>
        <source>Объем архива: 0, число гигабайт или доля диска в процентах (20%)</source>
        <translation>Archive size: 0, a number of gigabytes or a share of the disk in percent (20%)</translation>
    </message>
    <message>
        <source>Нет связи с сервисом. Переподключение…</source>
        <translation>No connection to the service. Reconnecting…</translation>
    </message>
    <message>
        <source>Показатели потоков</source>
        <translation>Stream Statistics</translation>
    </message>
    <message>
        <source>Настройки сигнала тревоги</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>Скриншот видео</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>Воспроизвести видео</source>
        <translation>Play Video</translation>
    </message>
    <message>
        <source>подсказки</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>Неверный адрес сервиса: %1</source>
        <translation>Invalid service address: %1</translation>
    </message>
    <message>
        <source>Полный экран: только видео; Esc — выход</source>
        <translation>Full screen: video only; Esc leaves it</translation>
    </message>
    <message>
        <source>Раскладка: 1, 4, 9, 16, 1+5, 1+7 окон</source>
        <translation>Layout: 1, 4, 9, 16, 1+5, 1+7 panes</translation>
    </message>
    <message>
        <source>Предыдущая / следующая страница</source>
        <translation>Previous / next page</translation>
    </message>
    <message>
        <source>Снова первая страница</source>
        <translation>Back to the first page</translation>
    </message>
    <message>
        <source>Снова последняя страница</source>
        <translation>Back to the last page</translation>
    </message>
    <message>
        <source>Ctrl+стрелки</source>
        <translation>Ctrl+Arrows</translation>
    </message>
    <message>
        <source>Выбрать соседнее окно</source>
        <translation>Select the neighbouring pane</translation>
    </message>
    <message>
        <source>Развернуть выбранное окно / вернуть</source>
        <translation>Maximize the selected pane / restore it</translation>
    </message>
    <message>
        <source>Остановить видео выбранного окна</source>
        <translation>Stop the video of the selected pane</translation>
    </message>
    <message>
        <source>Стрелки</source>
        <translation>Arrows</translation>
    </message>
    <message>
        <source>Поворот камеры в выбранном окне</source>
        <translation>Turn the camera of the selected pane</translation>
    </message>
    <message>
        <source>Эта справка</source>
        <translation>This help</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите окно воспроизведения видео</source>
        <translation>Please select a video pane</translation>
    </message>
    <message>
        <source>Выберите папку, куда сохранить скриншот</source>
        <translation>Choose the folder to save snapshots in</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите закрыл видео</source>
        <translation>Please select the video to stop</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите окно для беседы</source>
        <translation>Please select a pane to talk through</translation>
    </message>
    <message>
        <source>Z系列不支持该功能</source>
        <translation>Z series cameras do not support this feature</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите папку для сохранения видеофайлов</source>
        <translation>Please choose the folder to save recordings in</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите устройство, чтобы открыть видео</source>
        <translation>Please select a device to open its video</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите устройство</source>
        <translation>Please select a device</translation>
    </message>
    <message>
        <source>Устройство не работает</source>
        <translation>The device is not working</translation>
    </message>
    <message>
        <source>Данное устройство не поддерживает функцию “Сигнал тревоги”</source>
        <translation>This device does not support alarms</translation>
    </message>
    <message>
        <source>Имя пользователя не существует</source>
        <translation>The user name does not exist</translation>
    </message>
    <message>
        <source>Не удалось переименовать устройство, попробуйте еще раз</source>
        <translation>The device could not be renamed. Please try again</translation>
    </message>
    <message>
        <source>Не удалось удалить устройство, попробуйте еще раз</source>
        <translation>The device could not be deleted. Please try again</translation>
    </message>
    <message>
        <source>Устройство не существует</source>
        <translation>The device does not exist</translation>
    </message>
    <message>
        <source>Десантный пароль ошибки，Не удалось удалить устройство, попробуйте еще раз</source>
        <translation>Wrong account password. The device could not be deleted. Please try again</translation>
    </message>
    <message>
        <source>Оборудование не существует，Не удалось удалить устройство, попробуйте еще раз</source>
        <translation>The device does not exist. It could not be deleted. Please try again</translation>
    </message>
    <message>
        <source>Не удалось отключить индикатор состояния</source>
        <translation>The status light could not be turned off</translation>
    </message>
    <message>
        <source>Отключить голосовые подсказки</source>
        <translation>Turn Voice Prompts Off</translation>
    </message>
    <message>
        <source>Не удалось включить голосовые подсказки</source>
        <translation>The voice prompts could not be turned on</translation>
    </message>
    <message>
        <source>Индикатор отключен</source>
        <translation>Status light turned off</translation>
    </message>
    <message>
        <source>Индикатор включен</source>
        <translation>Status light turned on</translation>
    </message>
    <message>
        <source>Подсказки отключены</source>
        <translation>Voice prompts turned off</translation>
    </message>
    <message>
        <source>Подсказки включены</source>
        <translation>Voice prompts turned on</translation>
    </message>
    <message>
        <source>устройство названиедлина превышает максимальный предел </source>
        <translation>The device name is longer than allowed</translation>
    </message>
    <message>
        <source>Выбрать вручную</source>
        <translation>Ungrouped</translation>
    </message>
    <message>
        <source>Моя группа</source>
        <translation>My Group</translation>
    </message>
    <message>
        <source>Количество групп достигло придела.</source>
        <translation>The maximum number of groups has been reached.</translation>
    </message>
    <message>
        <source>Добавить группу</source>
        <translation>Add Group</translation>
    </message>
    <message>
        <source>Обновить список</source>
        <translation>Refresh List</translation>
    </message>
    <message>
        <source>Удалить группу</source>
        <translation>Delete Group</translation>
    </message>
    <message>
        <source>Переименовать группу</source>
        <translation>Rename Group</translation>
    </message>
    <message>
        <source>Удалить устройство</source>
        <translation>Delete Device</translation>
    </message>
    <message>
        <source>Видеоархив</source>
        <translation>Recordings</translation>
    </message>
    <message>
        <source>Отключить индикатор состояния</source>
        <translation>Turn Status Light Off</translation>
    </message>
    <message>
        <source>Включить индикатор состояния</source>
        <translation>Turn Status Light On</translation>
    </message>
    <message>
        <source>Включить голосовые подсказки</source>
        <translation>Turn Voice Prompts On</translation>
    </message>
    <message>
        <source>Переименовать устройство</source>
        <translation>Rename Device</translation>
    </message>
    <message>
        <source>Управление пользователями</source>
        <translation>Manage Users</translation>
    </message>
    <message>
        <source> Переместить в группу...</source>
        <translation>Move to Group</translation>
    </message>
    <message>
        <source>Камера была заблокирована администратором, для разблокировки свяжитесь с администратором！</source>
        <translation>The camera was locked by its administrator. Please contact the administrator to unlock it!</translation>
    </message>
    <message>
        <source>Устройство не в сети</source>
        <translation>The device is offline</translation>
    </message>
    <message>
        <source>Неверно введен пароль</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>Не удалось создать файл видеозаписи</source>
        <translation>The recording file could not be created</translation>
    </message>
    <message>
        <source>Запись видео остановлена: не удалось записать файл</source>
        <translation>Recording stopped: the file could not be written</translation>
    </message>
    <message>
        <source>Диск не успевает за записью видео: часть кадров не записана</source>
        <translation>The disk cannot keep up with the recording: some frames were not recorded</translation>
    </message>
    <message>
        <source>检测到当前网速不稳定，请稍后重试</source>
        <translation>The network is unstable right now. Please try again later</translation>
    </message>
    <message>
        <source>Нет свободного окна для видео</source>
        <translation>No free pane for the video</translation>
    </message>
    <message>
        <source>Не удалось сохранить скриншот</source>
        <translation>The snapshot could not be saved</translation>
    </message>
    <message>
        <source>Скриншот сохранен в файл
%1</source>
        <translation>Snapshot saved to
%1</translation>
    </message>
    <message>
        <source> Загрузка видеоархива...</source>
        <translation> Loading recordings...</translation>
    </message>
    <message>
        <source>Устройство не имеет видео для воспроизведения</source>
        <translation>The device has no recordings to play</translation>
    </message>
    <message>
        <source>Отсутствует карта памяти</source>
        <translation>No memory card</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите год</source>
        <translation>Please choose a year</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите месяц</source>
        <translation>Please choose a month</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите день</source>
        <translation>Please choose a day</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите час</source>
        <translation>Please choose an hour</translation>
    </message>
    <message>
        <source>Воспроизведение не удалось</source>
        <translation>Playback failed</translation>
    </message>
    <message>
        <source>Год</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Месяц</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>День</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>Час</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>Перемотка</source>
        <translation>Rewind</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Быстрее</source>
        <translation>Fast Forward</translation>
    </message>
    <message>
        <source>Продолжить воспроизведение</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>Открыть отчет успеха</source>
        <translation>Alarm turned on</translation>
    </message>
    <message>
        <source>Закрыть отчет успеха</source>
        <translation>Alarm turned off</translation>
    </message>
    <message>
        <source>Открыть отчет неудачи</source>
        <translation>The alarm could not be turned on</translation>
    </message>
    <message>
        <source>Закрыть отчет неудачи</source>
        <translation>The alarm could not be turned off</translation>
    </message>
    <message>
        <source>Установлено</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>Камера не в сети</source>
        <translation>The camera is offline</translation>
    </message>
    <message>
        <source>Установка не удалась</source>
        <translation>The setting could not be saved</translation>
    </message>
    <message>
        <source>Пожалуйста, включите сигнал тревоги</source>
        <translation>Please turn the alarm on first</translation>
    </message>
    <message>
        <source>Farlo видео-клиент</source>
        <translation>Farlo Video Client</translation>
    </message>
    <message>
        <source>Установить сигнал тревоги на весь день</source>
        <translation>The alarm is set for the whole day</translation>
    </message>
    <message>
        <source>Сообщение отправлено успешно</source>
        <translation>Your message was sent</translation>
    </message>
    <message>
        <source>Не удалось отправить сообщение</source>
        <translation>The message could not be sent</translation>
    </message>
    <message>
        <source>Пожалуйста, введите Ваш вопрос</source>
        <translation>Please enter your question</translation>
    </message>
    <message>
        <source>Вход</source>
        <translation>Signing in</translation>
    </message>
    <message>
        <source>имя пользователя Farlo</source>
        <translation>Farlo Sign In</translation>
    </message>
    <message>
        <source>Введите имя пользователя</source>
        <translation>Enter your user name</translation>
    </message>
    <message>
        <source>Имя может состоять из букв, цифр, длиной 4-64 символов</source>
        <translation>A name has 4 to 64 letters and digits</translation>
    </message>
    <message>
        <source>Введите пароль</source>
        <translation>Enter your password</translation>
    </message>
    <message>
        <source>Пароль может состоять из букв, цифр, длиной 6-64 символов</source>
        <translation>A password has 6 to 64 letters and digits</translation>
    </message>
    <message>
        <source>Не удалось войти в систему, проверьте настройки сети！</source>
        <translation>Could not sign in. Please check your network settings!</translation>
    </message>
    <message>
        <source>Неверно введен пароль！</source>
        <translation>Wrong password!</translation>
    </message>
    <message>
        <source>Имя пользователя не существует！</source>
        <translation>The user name does not exist!</translation>
    </message>
    <message>
        <source>Для обеспечения безопасности счета, пожалуйста, вновь ввести пароль！</source>
        <translation>For your account&apos;s security, please enter your password again!</translation>
    </message>
    <message>
        <source>Авторизация не удалась, проверьте имя пользователя и пароль！</source>
        <translation>Sign-in failed. Please check your user name and password!</translation>
    </message>
    <message>
        <source>Не удалось сохранить информацию, попробуйте еще раз！</source>
        <translation>The information could not be saved. Please try again!</translation>
    </message>
    <message>
        <source>Не удалось сохранить информацию, попробуйте еще раз</source>
        <translation>The information could not be saved. Please try again</translation>
    </message>
    <message>
        <source>Аномальная сеть</source>
        <translation>Network problem</translation>
    </message>
    <message>
        <source>Пожалуйста, введите старый пароль</source>
        <translation>Please enter your old password</translation>
    </message>
    <message>
        <source>Пожалуйста, введите новый пароль</source>
        <translation>Please enter a new password</translation>
    </message>
    <message>
        <source>Введите новый пароль еще раз</source>
        <translation>Enter the new password again</translation>
    </message>
    <message>
        <source>Неверный формат введенного пароля</source>
        <translation>The password&apos;s format is not valid</translation>
    </message>
    <message>
        <source>Введенные пароли не соответствуют</source>
        <translation>The passwords do not match</translation>
    </message>
    <message>
        <source>Старый пароль введен неверно</source>
        <translation>The old password is wrong</translation>
    </message>
    <message>
        <source>Пароль изменен успешно</source>
        <translation>Your password was changed</translation>
    </message>
    <message>
        <source>Не удалось сменить пароль. Пожалуйста, попробуйте позже</source>
        <translation>The password could not be changed. Please try again later</translation>
    </message>
    <message>
        <source>%1
Почта: %2
Телефон: %3</source>
        <translation>%1
Email: %2
Phone: %3</translation>
    </message>
    <message>
        <source>&#xa0;подсказки&#xa0;</source>
        <translation>&#xa0;Notice&#xa0;</translation>
    </message>
    <message>
        <source>&#xa0;подсказки</source>
        <translation>&#xa0;Notice</translation>
    </message>
    <message>
        <source>подсказки&#xa0;</source>
        <translation>Notice&#xa0;</translation>
    </message>
    <message>
        <source>Авторизация пользователя не удалась, повторите попытку позже</source>
        <translation>The user could not be verified. Please try again later</translation>
    </message>
    <message>
        <source>Вы не установили секретные вопросы, пожалуйста, обратитесь в службу поддержки:</source>
        <translation>You have not set any security questions. Please contact support:</translation>
    </message>
    <message>
        <source>Не удалось загрузить секретные вопросы</source>
        <translation>The security questions could not be loaded</translation>
    </message>
    <message>
        <source>Укажите ответ на секретный вопрос</source>
        <translation>Enter the answer to the security question</translation>
    </message>
    <message>
        <source> Проверка безопасности не удалась. Пожалуйста, повторите попытку</source>
        <translation>The security check failed. Please try again</translation>
    </message>
    <message>
        <source>Указан неверный ответ на секретный вопрос. Пожалуйста, повторите попытку</source>
        <translation>The answer to the security question is wrong. Please try again</translation>
    </message>
    <message>
        <source>Введите новый пароль</source>
        <translation>Enter a new password</translation>
    </message>
    <message>
        <source> Пароль может состоять из букв, цифр, длиной 6-64 символов</source>
        <translation>A password has 6 to 64 letters and digits</translation>
    </message>
    <message>
        <source>Введите пароль еще раз</source>
        <translation>Enter the password again</translation>
    </message>
    <message>
        <source> Указанные пароли не совпадают. Введите еще раз</source>
        <translation>The passwords do not match. Please enter them again</translation>
    </message>
    <message>
        <source>Смена пароля прошла успешно. Пожалуйста, вернитесь в главное меню</source>
        <translation>Your password was changed. Please go back to the sign-in window</translation>
    </message>
    <message>
        <source>Такой пользователь не зарегистрирован</source>
        <translation>No such user is registered</translation>
    </message>
    <message>
        <source>Не удалось сменить пароль. Повторите попытку позже</source>
        <translation>The password could not be changed. Please try again later</translation>
    </message>
    <message>
        <source>Не удалось получить информацию, пожалуйста, проверьте сетевые настройки</source>
        <translation>The network information could not be read. Please check your network settings</translation>
    </message>
    <message>
        <source>检测到系统有重要更新，请下载更新！</source>
        <translation>An important update is available. Please download it!</translation>
    </message>
    <message>
        <source>Как зовут Вашу маму？</source>
        <translation>What is your mother&apos;s name?</translation>
    </message>
    <message>
        <source>Как зовут Вашего отца？</source>
        <translation>What is your father&apos;s name?</translation>
    </message>
    <message>
        <source>Как зовут Вашего мужа/жену？</source>
        <translation>What is your spouse&apos;s name?</translation>
    </message>
    <message>
        <source>Где Вы родились？</source>
        <translation>Where were you born?</translation>
    </message>
    <message>
        <source>Как зовут Вашу учительницу старших классов？</source>
        <translation>What was the name of your high school teacher?</translation>
    </message>
    <message>
        <source> Как зовут Вашу учительницу младших классов？</source>
        <translation>What was the name of your primary school teacher?</translation>
    </message>
    <message>
        <source>Как зовут Вашу первую учительницу？</source>
        <translation>What was the name of your first teacher?</translation>
    </message>
    <message>
        <source>Укажите название Вашей школы？</source>
        <translation>What was the name of your school?</translation>
    </message>
    <message>
        <source>Какой номер Вашего студенческого/служебного？</source>
        <translation>What is your student or employee ID number?</translation>
    </message>
    <message>
        <source>Когда день рождения у Вашего отца？</source>
        <translation>When is your father&apos;s birthday?</translation>
    </message>
    <message>
        <source>Когда день рождения у Вашей матери？</source>
        <translation>When is your mother&apos;s birthday?</translation>
    </message>
    <message>
        <source>Когда день рождения у Вашего супруга/супруги？</source>
        <translation>When is your spouse&apos;s birthday?</translation>
    </message>
    <message>
        <source>Подтвердить подключение пользователю %1？</source>
        <translation>Remove access for the user %1?</translation>
    </message>
    <message>
        <source>Подтвердить подключение пользователю%1？</source>
        <translation>Remove access for the user %1?</translation>
    </message>
    <message>
        <source>Подтвердить</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source> Имя пользователя</source>
        <translation>User Name</translation>
    </message>
    <message>
        <source>Прозвище</source>
        <translation>Nickname</translation>
    </message>
    <message>
        <source>Администратор</source>
        <translation>Administrator</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source> Пользователь удален</source>
        <translation>Remove User</translation>
    </message>
    <message>
        <source> Обновить список пользователей</source>
        <translation>Refresh User List</translation>
    </message>
    <message>
        <source>Обновить список пользователей</source>
        <translation>Refresh User List</translation>
    </message>
    <message>
        <source>Не удалось открыть список пользователей. Попробуйте еще раз</source>
        <translation>The user list could not be loaded. Please try again</translation>
    </message>
    <message>
        <source>устройствоне существует. Попробуйте еще раз</source>
        <translation>The device does not exist. Please try again</translation>
    </message>
    <message>
        <source>Имя пользователя не существует. Попробуйте еще раз</source>
        <translation>The user name does not exist. Please try again</translation>
    </message>
    <message>
        <source>К данному устройству добавлено максимальное количество пользователей</source>
        <translation>This device already has the most users it can have</translation>
    </message>
    <message>
        <source>Имя пользователя не зарегистрировано. Пожалуйста, зарегистрируйте его</source>
        <translation>This user name is not registered. Please register it first</translation>
    </message>
    <message>
        <source>Пользователь добавлен</source>
        <translation>The user has been added</translation>
    </message>
    <message>
        <source>Не удалось добавить пользователя. Попробуйте еще раз</source>
        <translation>The user could not be added. Please try again</translation>
    </message>
    <message>
        <source>Выберите пользователя для удаления</source>
        <translation>Select the user to remove</translation>
    </message>
    <message>
        <source> Выберите пользователя для удаления</source>
        <translation>Select the user to remove</translation>
    </message>
    <message>
        <source>Не удалось удалить пользователя. Попробуйте еще раз</source>
        <translation>The user could not be removed. Please try again</translation>
    </message>
    <message>
        <source>Москва, Россия</source>
        <translation>Moscow, Russia</translation>
    </message>
    <message>
        <source>ООО «Нимбрел»</source>
        <translation>Nimbrel LLC</translation>
    </message>
    <message>
        <source>Текущая версия является последней</source>
        <translation>You have the latest version</translation>
    </message>
    <message>
        <source>Не удалось проверить обновление. Пожалуйста, проверьте настройки сети</source>
        <translation>Could not check for updates. Please check your network settings</translation>
    </message>
    <message>
        <source>Доступна новая версия программы. Обновить сейчас?</source>
        <translation>A new version of the program is available. Update now?</translation>
    </message>
    <message>
        <source>Не удалось запустить программу обновления</source>
        <translation>The updater could not be started</translation>
    </message>
    <message>
        <source>Неизвестный параметр: %1</source>
        <translation>Unknown setting: %1</translation>
    </message>
    <message>
        <source>Путь к папке не в UTF-8</source>
        <translation>The folder path is not UTF-8</translation>
    </message>
    <message>
        <source>Путь к папке длиннее %1 символов</source>
        <translation>The folder path is longer than %1 characters</translation>
    </message>
    <message>
        <source>Укажите папку полным путём, от «/» или «~»: %1</source>
        <translation>Give the folder as a full path, starting with “/” or “~”: %1</translation>
    </message>
    <message>
        <source>Длина видеофайла: 10, 20, 30 или 40 минут</source>
        <translation>Recording length: 10, 20, 30 or 40 minutes</translation>
    </message>
    <message>
        <source>Обновление: 0, 1 или 2</source>
        <translation>Update: 0, 1 or 2</translation>
    </message>
    <message>
        <source>%1: 0 или 1</source>
        <translation>%1: 0 or 1</translation>
    </message>
    <message>
        <source>Текущая версия %1.%2</source>
        <translation>Current version %1.%2</translation>
    </message>
    <message>
        <source>Настройки системы</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Сохранять видеоархив</source>
        <translation>Save recordings in</translation>
    </message>
    <message>
        <source>Сохранять скриншоты</source>
        <translation>Save snapshots in</translation>
    </message>
    <message>
        <source>Выбирать автоматически</source>
        <translation>Choose automatically</translation>
    </message>
    <message>
        <source>Максимальная длина видеофайла</source>
        <translation>Longest recording file</translation>
    </message>
    <message>
        <source>Минут</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>Нажать кнопку закрыть</source>
        <translation>Close button</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Выйти</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>При появлении запроса Отключить</source>
        <translation>Ask every time</translation>
    </message>
    <message>
        <source>Автоматически</source>
        <translation>Automatically</translation>
    </message>
    <message>
        <source>Открыть все устройства</source>
        <translation>Open all devices</translation>
    </message>
    <message>
        <source>Запустить</source>
        <translation>Start the program</translation>
    </message>
    <message>
        <source>Обновление системы</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Автоматическое обновление (рекомендуется)</source>
        <translation>Update automatically (recommended)</translation>
    </message>
    <message>
        <source>Не обновлять автоматически, уведомить об обновлении</source>
        <translation>Do not update automatically, notify me of updates</translation>
    </message>
    <message>
        <source>Отключить автоматическое обновление (не рекомендуется)</source>
        <translation>Turn off automatic updates (not recommended)</translation>
    </message>
    <message>
        <source>Изменить пароль</source>
        <translation>Change Password</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Пожалуйста, выберите папку</source>
        <translation>Please choose a folder</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл в указанную папку, выбрать папку вручную！</source>
        <translation>Files cannot be saved in that folder. Please choose a folder yourself!</translation>
    </message>
    <message>
        <source>Локальная сеть</source>
        <translation>Local network</translation>
    </message>
    <message>
        <source>Проброс порта</source>
        <translation>Port forwarding</translation>
    </message>
    <message>
        <source>Через NAT (UDT)</source>
        <translation>Through NAT (UDT)</translation>
    </message>
    <message>
        <source>Через ретранслятор</source>
        <translation>Relayed</translation>
    </message>
    <message>
        <source>Маршрут: %1</source>
        <translation>Route: %1</translation>
    </message>
    <message>
        <source>%1 кадр/с, %2 кбит/с</source>
        <translation>%1 fps, %2 kbit/s</translation>
    </message>
    <message>
        <source>потеряно %1, задержка %2 мс</source>
        <translation>%1 dropped, %2 ms delay</translation>
    </message>
    <message>
        <source>Поток остановился</source>
        <translation>Stream stalled</translation>
    </message>
    <message>
        <source>%1
Маршрут: %2</source>
        <translation>%1
Route: %2</translation>
    </message>
    <message>
        <source>Применится после перезапуска</source>
        <translation>Applies after a restart</translation>
    </message>
    <message>
        <source>Задан переменной окружения NIMBREL_LANG</source>
        <translation>Set by the NIMBREL_LANG environment variable</translation>
    </message>
</context>
<context>
    <name>DeviceTreePainter</name>
    <message>
        <source>[Онлайн]</source>
        <translation>[Online]</translation>
    </message>
    <message>
        <source>[Оффлайн]</source>
        <translation>[Offline]</translation>
    </message>
    <message>
        <source>[内网]</source>
        <translation>[LAN]</translation>
    </message>
</context>
<context>
    <name>MainControls</name>
    <message>
        <source>Вид экрана</source>
        <translation>Layout</translation>
    </message>
    <message>
        <source>Отключить камеру</source>
        <translation>Stop Camera</translation>
    </message>
    <message>
        <source>Разрешение видео</source>
        <translation>Video Quality</translation>
    </message>
    <message>
        <source>Настройки сигнала тревоги</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>Предыдущая камера</source>
        <translation>Previous Page</translation>
    </message>
    <message>
        <source>Следующая камера</source>
        <translation>Next Page</translation>
    </message>
    <message>
        <source>Поворот экрана</source>
        <translation>Rotate Picture</translation>
    </message>
    <message>
        <source>Скриншот видео</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>Включить микрофон</source>
        <translation>Turn Camera Sound On</translation>
    </message>
    <message>
        <source>Выключить микрофон</source>
        <translation>Turn Camera Sound Off</translation>
    </message>
    <message>
        <source>Включить динамик</source>
        <translation>Start Talking</translation>
    </message>
    <message>
        <source>Выключить динамик</source>
        <translation>Stop Talking</translation>
    </message>
    <message>
        <source>Воспроизвести видео</source>
        <translation>Start Recording</translation>
    </message>
    <message>
        <source>Видео открыто</source>
        <translation>Stop Recording</translation>
    </message>
</context>
<context>
    <name>nimbrel::AlarmDialog</name>
    <message>
        <source>Настройки сигнала тревоги</source>
        <translation>Alarm Settings</translation>
    </message>
    <message>
        <source>Включить сигнал тревоги</source>
        <translation>Turn Alarm On</translation>
    </message>
    <message>
        <source>Выключить сигнал тревоги</source>
        <translation>Turn Alarm Off</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Сигнал тревоги:</source>
        <translation>Alarm:</translation>
    </message>
    <message>
        <source>Начало, час:</source>
        <translation>Start hour:</translation>
    </message>
    <message>
        <source>Конец, час:</source>
        <translation>End hour:</translation>
    </message>
</context>
<context>
    <name>nimbrel::ArchiveWindow</name>
    <message>
        <source>Архив записей</source>
        <translation>Recordings Archive</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>−10 с</source>
        <translation>−10 s</translation>
    </message>
    <message>
        <source>+10 с</source>
        <translation>+10 s</translation>
    </message>
    <message>
        <source>Кадр ▸</source>
        <translation>Frame ▸</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Хранить всегда</source>
        <translation>Keep always</translation>
    </message>
    <message>
        <source>Сохранить фрагмент…</source>
        <translation>Save a span…</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Дни с записями</source>
        <translation>Days with recordings</translation>
    </message>
    <message>
        <source>Скриншоты дня</source>
        <translation>Snapshots of the day</translation>
    </message>
    <message>
        <source>Воспроизвести</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Сохранить фрагмент</source>
        <translation>Save a span</translation>
    </message>
    <message>
        <source>Видео MP4 (*.mp4)</source>
        <translation>MP4 video (*.mp4)</translation>
    </message>
    <message>
        <source>Сохранено: %1 (%2 с)</source>
        <translation>Saved: %1 (%2 s)</translation>
    </message>
    <message>
        <source>Индексация записей: %1 из %2</source>
        <translation>Indexing recordings: %1 of %2</translation>
    </message>
    <message>
        <source>Индексация записей…</source>
        <translation>Indexing recordings…</translation>
    </message>
</context>
<context>
    <name>nimbrel::BasicSettingsPage</name>
    <message>
        <source>Вход в учетную запись</source>
        <translation>Sign-in</translation>
    </message>
    <message>
        <source>При запуске программы</source>
        <translation>At program start</translation>
    </message>
    <message>
        <source>Вместе с системой</source>
        <translation>At system start</translation>
    </message>
    <message>
        <source>Обзор…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Хранить записи</source>
        <translation>Keep recordings</translation>
    </message>
    <message>
        <source>дней, не более</source>
        <translation>days, at most</translation>
    </message>
    <message>
        <source>ГБ</source>
        <translation>GB</translation>
    </message>
    <message>
        <source>% диска</source>
        <translation>% of disk</translation>
    </message>
    <message>
        <source>0 — без ограничения</source>
        <translation>0 = no limit</translation>
    </message>
</context>
<context>
    <name>nimbrel::CAboutDlg</name>
    <message>
        <source>Официальный сайт</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Email</source>
        <translation>Email</translation>
    </message>
    <message>
        <source>Service phone</source>
        <translation>Support phone</translation>
    </message>
    <message>
        <source>Adrress</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Farlo клиент v%1.%2</source>
        <translation>Farlo Client v%1.%2</translation>
    </message>
</context>
<context>
    <name>nimbrel::CClose</name>
    <message>
        <source>Закрытие программы</source>
        <translation>Close Program</translation>
    </message>
    <message>
        <source>Что сделать при закрытии окна?</source>
        <translation>When the window is closed:</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Выйти из программы</source>
        <translation>Quit the program</translation>
    </message>
    <message>
        <source>Больше не спрашивать</source>
        <translation>Don&apos;t ask again</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>nimbrel::CNimbrelDlg</name>
    <message>
        <source>До следующей страницы обхода</source>
        <translation>Time to the tour's next page</translation>
    </message>
    <message>
        <source>Архив записей</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>Архив записей (Ctrl+H)</source>
        <translation>Recordings archive (Ctrl+H)</translation>
    </message>
    <message>
        <source>Развернуть</source>
        <translation>Maximize</translation>
    </message>
    <message>
        <source>Восстановить</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Меню</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>Страница</source>
        <translation>Page</translation>
    </message>
    <message>
        <source>Копировать имя камеры</source>
        <translation>Copy Camera Name</translation>
    </message>
    <message>
        <source>Копировать ID камеры</source>
        <translation>Copy Camera ID</translation>
    </message>
    <message>
        <source>Низкое</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>Стандартное</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Высокое</source>
        <translation>High</translation>
    </message>
    <message>
        <source>Воспроизвести все</source>
        <translation>Play All</translation>
    </message>
    <message>
        <source>Остановить все</source>
        <translation>Stop All</translation>
    </message>
    <message>
        <source>Настройки системы</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Обратная связь</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>Сочетания клавиш</source>
        <translation>Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
</context>
<context>
    <name>nimbrel::CPlayback</name>
    <message>
        <source>Воспроизвести</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Развернуть</source>
        <translation>Maximize</translation>
    </message>
    <message>
        <source>Восстановить</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Сохранить воспроизводимое видео в файл MP4</source>
        <translation>Save the video being played to an MP4 file</translation>
    </message>
    <message>
        <source>Отменить сохранение и удалить файл</source>
        <translation>Cancel saving and delete the file</translation>
    </message>
    <message>
        <source>Сохранить запись в файл</source>
        <translation>Save the recording to a file</translation>
    </message>
    <message>
        <source>Видео MP4 (*.mp4)</source>
        <translation>MP4 video (*.mp4)</translation>
    </message>
    <message>
        <source>Готово</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Закончить сохранение в %1</source>
        <translation>Finish saving to %1</translation>
    </message>
    <message>
        <source>Сохранение отменено</source>
        <translation>Saving cancelled</translation>
    </message>
    <message>
        <source>Сохранено: %1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>Сохранение: %1 с</source>
        <translation>Saving: %1 s</translation>
    </message>
</context>
<context>
    <name>nimbrel::DesktopNotices</name>
    <message>
        <source>Видео прервалось и не вернулось за минуту</source>
        <translation>The video stopped and has not come back for a minute</translation>
    </message>
    <message>
        <source>Камера не в сети больше минуты</source>
        <translation>The camera has been offline for more than a minute</translation>
    </message>
    <message>
        <source>Запись остановлена: не удалось записать файл на диск</source>
        <translation>Recording stopped: the file could not be written to the disk</translation>
    </message>
    <message>
        <source>Сеанс завершён</source>
        <translation>Signed out</translation>
    </message>
    <message>
        <source>Сервис завершил сеанс: войдите снова, чтобы вернуть видео</source>
        <translation>The service ended the session: sign in again to bring the video back</translation>
    </message>
</context>
<context>
    <name>nimbrel::DeviceTreeWidget</name>
    <message>
        <source>Вы действительно хотите удалить группу[%1]？</source>
        <translation>Do you really want to delete the group “%1”?</translation>
    </message>
</context>
<context>
    <name>nimbrel::FeedbackDialog</name>
    <message>
        <source>Обратная связь</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>Ваш вопрос или предложение</source>
        <translation>Your question or suggestion</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Напишите нам, и мы ответим как можно скорее:</source>
        <translation>Write to us and we will answer as soon as we can:</translation>
    </message>
</context>
<context>
    <name>nimbrel::FramedDialog</name>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>nimbrel::FramedMessageBox</name>
    <message>
        <source>Да</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>nimbrel::LoginWindow</name>
    <message>
        <source>Свернуть</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Имя пользователя</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>Пароль</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Автоматический вход</source>
        <translation>Sign in automatically</translation>
    </message>
    <message>
        <source>Запомнить пароль</source>
        <translation>Remember password</translation>
    </message>
    <message>
        <source>Войти</source>
        <translation>Sign In</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Забыли пароль?</source>
        <translation>Forgot password?</translation>
    </message>
</context>
<context>
    <name>nimbrel::OtherSettingsPage</name>
    <message>
        <source>Проверить обновление</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>Старый пароль:</source>
        <translation>Old password:</translation>
    </message>
    <message>
        <source>Новый пароль:</source>
        <translation>New password:</translation>
    </message>
    <message>
        <source>Повторите пароль:</source>
        <translation>Repeat password:</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
</context>
<context>
    <name>nimbrel::PasswordConfirmDialog</name>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Подтверждение пароля</source>
        <translation>Confirm Password</translation>
    </message>
    <message>
        <source>Введите пароль учетной записи:</source>
        <translation>Enter your account password:</translation>
    </message>
</context>
<context>
    <name>nimbrel::PasswordRecoveryDialog</name>
    <message>
        <source>Учетная запись</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>Секретный вопрос</source>
        <translation>Security question</translation>
    </message>
    <message>
        <source>Новый пароль</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>Восстановление пароля</source>
        <translation>Reset Password</translation>
    </message>
    <message>
        <source>Далее</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Имя пользователя:</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>Подтвердить</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>Секретный вопрос:</source>
        <translation>Security question:</translation>
    </message>
    <message>
        <source>Ответ:</source>
        <translation>Answer:</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Новый пароль:</source>
        <translation>New password:</translation>
    </message>
    <message>
        <source>Повторите пароль:</source>
        <translation>Repeat password:</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>nimbrel::RenameDialog</name>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Переименовать устройство</source>
        <translation>Rename Device</translation>
    </message>
</context>
<context>
    <name>nimbrel::SettingsDialog</name>
    <message>
        <source>Основные</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Дополнительно</source>
        <translation>Advanced</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>nimbrel::SharingDialog</name>
    <message>
        <source>Управление пользователями</source>
        <translation>Manage Users</translation>
    </message>
    <message>
        <source>Имя пользователя</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Пользователь:</source>
        <translation>User:</translation>
    </message>
</context>
<context>
    <name>nimbrel::ShortcutsDialog</name>
    <message>
        <source>Сочетания клавиш</source>
        <translation>Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>nimbrel::TourControl</name>
    <message>
        <source>пауза</source>
        <translation>paused</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Остановить обход (T)</source>
        <translation>Stop the tour (T)</translation>
    </message>
    <message>
        <source>Обход страниц (T)</source>
        <translation>Page tour (T)</translation>
    </message>
    <message>
        <source>Остановить обход</source>
        <translation>Stop the tour</translation>
    </message>
    <message>
        <source>Запустить обход</source>
        <translation>Start the tour</translation>
    </message>
    <message>
        <source>Продолжить обход</source>
        <translation>Resume the tour</translation>
    </message>
    <message>
        <source>Пауза</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Смена страницы</source>
        <translation>Change pages</translation>
    </message>
    <message>
        <source>через %1 с</source>
        <translation>every %1 s</translation>
    </message>
    <message>
        <source>Другой интервал…</source>
        <translation>Another interval…</translation>
    </message>
    <message>
        <source>Показывать</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Все страницы стены</source>
        <translation>Every page of the wall</translation>
    </message>
    <message>
        <source>Камеры группы «%1»</source>
        <translation>The cameras of group “%1”</translation>
    </message>
    <message>
        <source>Обход страниц</source>
        <translation>Page tour</translation>
    </message>
    <message>
        <source>Смена страницы через, секунд (%1–%2):</source>
        <translation>Change pages every (seconds, %1–%2):</translation>
    </message>
</context>
<context>
    <name>nimbrel::TrayIcon</name>
    <message>
        <source>Выйти</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>Показать главное окно</source>
        <translation>Show Main Window</translation>
    </message>
</context>
<context>
    <name>nimbrel::VideoLockDialog</name>
    <message>
        <source>Начать заново</source>
        <translation>Start Over</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Видеозамок</source>
        <translation>Video Lock</translation>
    </message>
</context>
</TS>
